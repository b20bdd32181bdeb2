// The plug-in's modal UI, driven by the UI robot: turning remote browsing on through its box,
// and (c) the browser window's opening and closing times.
#pragma once

#include "Duvisto_h.h"
#include "report.h"

namespace bench {

// "/xbenable" shows one box; the robot closes it, and the status is then "enabled".
void EnableRemoteBrowsing(_Browse* browse);

// "/xbrowser about:blank": the call to the window shown, and WM_CLOSE to the call's return.
Section BrowserWindowFigures(_Browse* browse);

}  // namespace bench
