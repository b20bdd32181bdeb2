// How the commands open frmBrowser, the plug-in's browser window (one instance per thread).
#pragma once

#include <windows.h>

#include <string_view>

#include "plugin_ui.h"

namespace duvisto {

// The open operation: load the window if needed, set the caption and navigate (in `order`),
// then show it modally. Returns when the user has closed the window; a request made from the
// window's loop past the bound on waiting requests returns at once (FrmBrowser::ShowModal).
HRESULT OpenBrowserWindow(BrowserMode mode, std::wstring_view address, OpenOrder order);

}  // namespace duvisto
