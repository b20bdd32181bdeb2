// Which icon a message box of another process shows. Under Wine each process loads its own
// copy of the system icons, so the box's icon handle means nothing here: the icon is told by
// its pixels on the screen, compared with a box of this process showing the candidate icon.
#pragma once

#include <windows.h>

#include "ui_robot.h"

namespace installer_test {

// True once `box` shows `icon` (Stop or Information), waiting a little for it to be painted.
bool ShowsIcon(HWND box, robot::Icon icon);

}  // namespace installer_test
