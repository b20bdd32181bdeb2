// Where a warm opening and closing of the browser window spend their time, phase by phase, beside
// the same phases of the window floor: what the plug-in's window costs beyond a bare one, and where.
#pragma once

#include "report.h"

namespace bench {

// The window's code as linked into the bench (the same sources as the DLL's), driven directly:
// load (window, control, children, font, OLE), caption and navigation, the show with its
// activation (layout, the control told, the focus into the page), and the window destroyed.
Section WindowPhaseFigures();

}  // namespace bench
