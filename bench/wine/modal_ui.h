// The plug-in's modal UI, driven by the UI robot: turning remote browsing on through its box,
// and (c) the browser window's opening and closing times beside the window floor's.
#pragma once

#include <string>

#include "Duvisto_h.h"
#include "report.h"

namespace bench {

// "/xbenable" shows one box; the robot closes it, and the status is then "enabled".
void EnableRemoteBrowsing(_Browse* browse);

// "/xbrowser about:blank" and the window floor (window_floor.h), alternating: the call to the
// window shown, and WM_CLOSE to the call's return; the first openings in fresh processes.
Section BrowserWindowFigures(_Browse* browse);

// The fresh process's side of a first opening (`plugin_bench.exe --first-window plugin|floor FILE`):
// opens and closes one window, the plug-in's or the floor's, and writes its two times to FILE.
int FirstWindowInThisProcess(const std::string& side, const char* resultFile);

}  // namespace bench
