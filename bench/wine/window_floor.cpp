#include "window_floor.h"

#include <memory>
#include <string>
#include <utility>

#include "hosted_control.h"
#include "navigate.h"

namespace bench {
namespace {

constexpr wchar_t kWindowClass[] = L"DuvistoBenchFloorWindow";

HRESULT LastErrorResult() {
  const DWORD error = GetLastError();
  return error != 0 ? HRESULT_FROM_WIN32(error) : E_FAIL;
}

// What one shown window holds; the window procedure finds it through GWLP_USERDATA.
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
