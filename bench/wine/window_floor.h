// The browser window's floor: a bare window of the bench's own that hosts the same web-browser
// control in place through the plug-in's own container (HostedControl) and navigates it the same
// way, shown and run modally as the plug-in's window is, until WM_CLOSE. Set beside
// ParseCommand("/xbrowser"), it leaves the plug-in's window's own work: its controls, font,
// layout, OLE and modal rules.
#pragma once

#include <windows.h>

#include "unique_any.h"

namespace bench {

// A window of this thread, destroyed when its owner goes (unless released first).
using UniqueWindow = duvisto::UniqueAny<duvisto::NullIsEmpty<HWND, &DestroyWindow>>;

inline constexpr wchar_t kFloorWindowCaption[] = L"Duvisto bench: floor window";

// Opens the window at `address`, shows it, and returns once the window is closed.
HRESULT ShowFloorWindow(const wchar_t* address);

}  // namespace bench
