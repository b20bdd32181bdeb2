// The browser window's floor: a bare window of the bench's own that hosts the same web-browser
// control in place through the plug-in's own container (HostedControl) and navigates it the same
// way, shown and run modally as the plug-in's window is, until WM_CLOSE. Set beside
// ParseCommand("/xbrowser"), it leaves the plug-in's window's own work: its controls, font,
// layout, OLE and modal rules.
#pragma once

#include <windows.h>

#include <string>
#include <utility>

#include "page_host.h"
#include "unique_any.h"

namespace bench {

// {8856F961-340A-11D0-A96B-00C04FD705A2}: the shell's web-browser control, as the plug-in creates it.
inline constexpr CLSID kWebBrowserClsid = {0x8856F961, 0x340A, 0x11D0, {0xA9, 0x6B, 0x00, 0xC0, 0x4F, 0xD7, 0x05, 0xA2}};
// The plug-in's control box, 10935 x 8055 twips, in pixels at 96 DPI.
inline constexpr int kClientWidth = 729, kClientHeight = 537;

// The page's questions answered as simply as they can be: its own navigation goes ahead, the
// page's are judged by the same rules as in the plug-in's window, and no box is shown.
struct FloorPage : duvisto::PageHost {
  bool ShowsPartnersPage() const override { return false; }
  bool TakeOwnNavigation() override { return std::exchange(ownNavigationPending, false); }
  void OpenInWindow(std::wstring) override {}
  LRESULT ShowPageMessage(const wchar_t*, const wchar_t*, UINT) override { return IDCANCEL; }
  bool ownNavigationPending = false;
};

// A window of this thread, destroyed when its owner goes (unless released first).
using UniqueWindow = duvisto::UniqueAny<duvisto::NullIsEmpty<HWND, &DestroyWindow>>;

inline constexpr wchar_t kFloorWindowCaption[] = L"Duvisto bench: floor window";

// Opens the window at `address`, shows it, and returns once the window is closed.
HRESULT ShowFloorWindow(const wchar_t* address);

}  // namespace bench
