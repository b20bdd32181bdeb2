#include "window_floor.h"

#include <memory>
#include <string>
#include <utility>

#include "hosted_control.h"
#include "navigate.h"

namespace bench {
namespace {

// {8856F961-340A-11D0-A96B-00C04FD705A2}: the shell's web-browser control, as the plug-in creates it.
constexpr CLSID kWebBrowserClsid = {0x8856F961, 0x340A, 0x11D0, {0xA9, 0x6B, 0x00, 0xC0, 0x4F, 0xD7, 0x05, 0xA2}};
constexpr wchar_t kWindowClass[] = L"DuvistoBenchFloorWindow";
// The plug-in's control box, 10935 x 8055 twips, in pixels at 96 DPI.
constexpr int kClientWidth = 729, kClientHeight = 537;

HRESULT LastErrorResult() {
  const DWORD error = GetLastError();
  return error != 0 ? HRESULT_FROM_WIN32(error) : E_FAIL;
}

// What one shown window holds; the window procedure finds it through GWLP_USERDATA.
// The page's questions answered as simply as they can be: its own navigation goes ahead, the
// page's are judged by the same rules as in the plug-in's window, and no box is shown.
struct FloorPage : duvisto::PageHost {
  bool ShowsPartnersPage() const override { return false; }
  bool TakeOwnNavigation() override { return std::exchange(ownNavigationPending, false); }
  void OpenInWindow(std::wstring) override {}
  LRESULT ShowPageMessage(const wchar_t*, const wchar_t*, UINT) override { return IDCANCEL; }
  bool ownNavigationPending = false;
};

struct FloorWindow {
  FloorPage page;
  std::unique_ptr<duvisto::HostedControl> browser;
  bool gone = false;
};

LRESULT CALLBACK FloorWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE)
    SetWindowLongPtrW(window, GWLP_USERDATA,
                      reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
  auto* const state = reinterpret_cast<FloorWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  // Deactivated and closed while its window still exists, as the plug-in closes its control.
  if (state && message == WM_DESTROY) state->browser.reset();
  if (state && message == WM_NCDESTROY) state->gone = true;
  return DefWindowProcW(window, message, wParam, lParam);
}

HRESULT RegisterWindowClass() {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  if (GetClassInfoExW(GetModuleHandleW(nullptr), kWindowClass, &windowClass)) return S_OK;
  windowClass.lpfnWndProc = FloorWindowProc;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  windowClass.lpszClassName = kWindowClass;
  return RegisterClassExW(&windowClass) ? S_OK : LastErrorResult();
}

}  // namespace

HRESULT ShowFloorWindow(const wchar_t* address) {
  HRESULT hr = RegisterWindowClass();
  if (FAILED(hr)) return hr;
  constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
  RECT outer{0, 0, kClientWidth, kClientHeight};
  if (!AdjustWindowRectEx(&outer, kStyle, FALSE, 0)) return LastErrorResult();
  FloorWindow state;
  UniqueWindow window(CreateWindowExW(0, kWindowClass, kFloorWindowCaption, kStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                                      outer.right - outer.left, outer.bottom - outer.top, nullptr, nullptr,
                                      GetModuleHandleW(nullptr), &state));
  if (!window) return LastErrorResult();
  // The control in the whole client area, through the plug-in's own OLE container and its
  // late-bound Navigate: what is left to compare is the plug-in's window itself.
  RECT box{};
  GetClientRect(window.get(), &box);
  hr = duvisto::HostedControl::Create(kWebBrowserClsid, window.get(), box, &state.page, &state.browser);
  state.page.ownNavigationPending = true;
  if (SUCCEEDED(hr)) hr = duvisto::NavigateLateBound(state.browser->Object(), address);
  if (FAILED(hr)) return hr;  // the window and its control go with `window`
  ShowWindow(window.get(), SW_SHOWNORMAL);
  while (!state.gone) {
    MSG message;
    const BOOL got = GetMessageW(&message, nullptr, 0, 0);
    if (got == -1) return LastErrorResult();
    if (got == 0) {  // the thread is quitting: the window goes, the request stays for the thread's loop
      PostQuitMessage(static_cast<int>(message.wParam));
      return S_OK;
    }
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  window.release();  // destroyed by its close box
  return S_OK;
}

}  // namespace bench
