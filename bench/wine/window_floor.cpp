#include "window_floor.h"

#include <oleidl.h>
#include <wrl/client.h>

#include "com_object.h"
#include "com_owners.h"

namespace bench {
namespace {

using Microsoft::WRL::ComPtr;

// {8856F961-340A-11D0-A96B-00C04FD705A2}: the shell's web-browser control, as the plug-in creates it.
constexpr CLSID kWebBrowserClsid = {0x8856F961, 0x340A, 0x11D0, {0xA9, 0x6B, 0x00, 0xC0, 0x4F, 0xD7, 0x05, 0xA2}};
constexpr DISPID kDispidNavigate = 104;
constexpr wchar_t kWindowClass[] = L"DuvistoBenchFloorWindow";
// The plug-in's control box, 10935 x 8055 twips, in pixels at 96 DPI.
constexpr int kClientWidth = 729, kClientHeight = 537;

HRESULT LastErrorResult() {
  const DWORD error = GetLastError();
  return error != 0 ? HRESULT_FROM_WIN32(error) : E_FAIL;
}

// The client site, in-place site and frame the control asks for: it may activate in place
// in the window's client area; menus, tools and status text are declined or ignored.
class FloorSite : public IOleClientSite, public IOleInPlaceSite, public IOleInPlaceFrame {
 public:
  static const duvisto::InterfaceEntry<FloorSite> kInterfaces[];
  explicit FloorSite(HWND window) : window_(window) {}

  // IOleClientSite
  STDMETHODIMP SaveObject() override { return E_NOTIMPL; }
  STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker** moniker) override {
    if (moniker) *moniker = nullptr;
    return E_NOTIMPL;
  }
  STDMETHODIMP GetContainer(IOleContainer** container) override {
    if (container) *container = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP ShowObject() override { return S_OK; }
  STDMETHODIMP OnShowWindow(BOOL) override { return S_OK; }
  STDMETHODIMP RequestNewObjectLayout() override { return E_NOTIMPL; }

  // IOleWindow
  STDMETHODIMP GetWindow(HWND* window) override {
    if (!window) return E_POINTER;
    *window = window_;
    return S_OK;
  }
  STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

  // IOleInPlaceSite
  STDMETHODIMP CanInPlaceActivate() override { return S_OK; }
  STDMETHODIMP OnInPlaceActivate() override { return S_OK; }
  STDMETHODIMP OnUIActivate() override { return S_OK; }
  STDMETHODIMP GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document, RECT* position, RECT* clip,
                                OLEINPLACEFRAMEINFO* frameInfo) override {
    if (!frame || !document || !position || !clip || !frameInfo) return E_POINTER;
    static_cast<IOleInPlaceFrame*>(this)->AddRef();
    *frame = this;
    *document = nullptr;
    GetClientRect(window_, position);
    *clip = *position;
    frameInfo->fMDIApp = FALSE;
    frameInfo->hwndFrame = window_;
    frameInfo->haccel = nullptr;
    frameInfo->cAccelEntries = 0;
    return S_OK;
  }
  STDMETHODIMP Scroll(SIZE) override { return E_NOTIMPL; }
  STDMETHODIMP OnUIDeactivate(BOOL) override { return S_OK; }
  STDMETHODIMP OnInPlaceDeactivate() override { return S_OK; }
  STDMETHODIMP DiscardUndoState() override { return E_NOTIMPL; }
  STDMETHODIMP DeactivateAndUndo() override { return E_NOTIMPL; }
  STDMETHODIMP OnPosRectChange(const RECT*) override { return S_OK; }

  // IOleInPlaceUIWindow
  STDMETHODIMP GetBorder(RECT*) override { return INPLACE_E_NOTOOLSPACE; }
  STDMETHODIMP RequestBorderSpace(const BORDERWIDTHS*) override { return INPLACE_E_NOTOOLSPACE; }
  STDMETHODIMP SetBorderSpace(const BORDERWIDTHS* widths) override { return widths ? OLE_E_INVALIDRECT : S_OK; }
  STDMETHODIMP SetActiveObject(IOleInPlaceActiveObject*, LPCOLESTR) override { return S_OK; }

  // IOleInPlaceFrame
  STDMETHODIMP InsertMenus(HMENU, OLEMENUGROUPWIDTHS*) override { return E_NOTIMPL; }
  STDMETHODIMP SetMenu(HMENU, HOLEMENU, HWND) override { return S_OK; }
  STDMETHODIMP RemoveMenus(HMENU) override { return E_NOTIMPL; }
  STDMETHODIMP SetStatusText(LPCOLESTR) override { return S_OK; }
  STDMETHODIMP EnableModeless(BOOL) override { return S_OK; }
  STDMETHODIMP TranslateAccelerator(MSG*, WORD) override { return S_FALSE; }

 private:
  HWND window_;
};

const duvisto::InterfaceEntry<FloorSite> FloorSite::kInterfaces[] = {
    duvisto::Implements<FloorSite, IOleClientSite>(IID_IOleClientSite),
    duvisto::Implements<FloorSite, IOleInPlaceSite>(IID_IOleWindow),
    duvisto::Implements<FloorSite, IOleInPlaceSite>(IID_IOleInPlaceSite),
    duvisto::Implements<FloorSite, IOleInPlaceFrame>(IID_IOleInPlaceUIWindow),
    duvisto::Implements<FloorSite, IOleInPlaceFrame>(IID_IOleInPlaceFrame),
    duvisto::kEndOfInterfaces};

// What one shown window holds; the window procedure finds it through GWLP_USERDATA.
struct FloorWindow {
  ComPtr<IOleObject> browser;
  bool gone = false;
};

// Deactivated and closed while its window still exists, as the plug-in closes its control.
void CloseControl(ComPtr<IOleObject>& browser) {
  if (!browser) return;
  ComPtr<IOleInPlaceObject> inPlace;
  if (SUCCEEDED(browser.As(&inPlace))) inPlace->InPlaceDeactivate();
  browser->Close(OLECLOSE_NOSAVE);
  browser->SetClientSite(nullptr);
  browser.Reset();
}

LRESULT CALLBACK FloorWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE)
    SetWindowLongPtrW(window, GWLP_USERDATA,
                      reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
  auto* const state = reinterpret_cast<FloorWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (state && message == WM_DESTROY) CloseControl(state->browser);
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

// The control, created through COM by its class identifier and activated in place in the
// whole client area: the least of what the plug-in's HostedControl does.
HRESULT OpenControl(HWND window, FloorWindow& state) {
  HRESULT hr = CoCreateInstance(kWebBrowserClsid, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&state.browser));
  if (FAILED(hr)) return hr;
  ComPtr<IOleClientSite> site;
  hr = duvisto::ComObject<FloorSite, duvisto::HoldsModule::No>::Create(IID_IOleClientSite, &site, window);
  if (FAILED(hr)) return hr;
  hr = state.browser->SetClientSite(site.Get());
  if (FAILED(hr)) return hr;
  RECT position{};
  GetClientRect(window, &position);
  return state.browser->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, site.Get(), 0, window, &position);
}

// Navigate, late-bound by its DISPID with the address as its only argument, as the plug-in calls it.
HRESULT Navigate(IOleObject* browser, const wchar_t* address) {
  ComPtr<IDispatch> automation;
  HRESULT hr = browser->QueryInterface(IID_PPV_ARGS(&automation));
  if (FAILED(hr)) return hr;
  duvisto::UniqueVariant argument;
  VARIANT* const text = argument.reset();
  text->bstrVal = SysAllocString(address);
  if (!text->bstrVal) return E_OUTOFMEMORY;
  text->vt = VT_BSTR;
  DISPPARAMS parameters{text, nullptr, 1, 0};
  duvisto::UniqueVariant result;
  return automation->Invoke(kDispidNavigate, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &parameters,
                            result.reset(), nullptr, nullptr);
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
  hr = OpenControl(window.get(), state);
  if (SUCCEEDED(hr)) hr = Navigate(state.browser.Get(), address);
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
