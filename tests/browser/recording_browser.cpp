// The recording stand-in for the web-browser control: just enough of an in-place ActiveX
// control (IOleObject, IOleInPlaceObject, IOleInPlaceActiveObject, IDispatch) to be hosted,
// sized and told to navigate. It draws a white page with the last address on it.
#include "recording_browser.h"

#include <ole2.h>
#include <wrl/client.h>

#include <mutex>
#include <string>
#include <vector>

using Microsoft::WRL::ComPtr;

namespace {

constexpr DISPID kDispidNavigate = 104;
constexpr wchar_t kWindowClass[] = L"RecordingBrowser";

HMODULE g_module = nullptr;
std::mutex g_lock;  // the tests read from their driver thread
std::vector<std::wstring> g_navigations;
int g_rejected = 0;
int g_keys = 0;
int g_live = 0;
HWND g_window = nullptr;

std::wstring LastNavigation() {
  std::lock_guard<std::mutex> hold(g_lock);
  return g_navigations.empty() ? L"(none)" : L"\"" + g_navigations.back() + L"\"";
}

LRESULT CALLBACK PageProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_PAINT) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    RECT area;
    GetClientRect(window, &area);
    FillRect(dc, &area, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    const std::wstring text = L"Recording browser, last Navigate: " + LastNavigation();
    area.left += 8;
    area.top += 8;
    DrawTextW(dc, text.c_str(), -1, &area, DT_LEFT | DT_TOP | DT_WORDBREAK);
    EndPaint(window, &paint);
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

class RecordingBrowser final : public IOleObject, public IOleInPlaceObject, public IOleInPlaceActiveObject,
                               public IDispatch {
 public:
  RecordingBrowser() {
    std::lock_guard<std::mutex> hold(g_lock);
    ++g_live;
  }

  STDMETHODIMP QueryInterface(REFIID riid, void** object) override {
    if (riid == IID_IUnknown || riid == IID_IOleObject) {
      *object = static_cast<IOleObject*>(this);
    } else if (riid == IID_IOleWindow || riid == IID_IOleInPlaceObject) {
      *object = static_cast<IOleInPlaceObject*>(this);
    } else if (riid == IID_IOleInPlaceActiveObject) {
      *object = static_cast<IOleInPlaceActiveObject*>(this);
    } else if (riid == IID_IDispatch) {
      *object = static_cast<IDispatch*>(this);
    } else {
      *object = nullptr;
      return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++references_; }
  STDMETHODIMP_(ULONG) Release() override {
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
  }

  // IOleObject
  STDMETHODIMP SetClientSite(IOleClientSite* site) override {
    site_ = site;
    return S_OK;
  }
  STDMETHODIMP GetClientSite(IOleClientSite** site) override { return site_.CopyTo(site); }
  STDMETHODIMP SetHostNames(LPCOLESTR, LPCOLESTR) override { return S_OK; }
  STDMETHODIMP Close(DWORD) override { return InPlaceDeactivate(); }
  STDMETHODIMP SetMoniker(DWORD, IMoniker*) override { return E_NOTIMPL; }
  STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker**) override { return E_NOTIMPL; }
  STDMETHODIMP InitFromData(IDataObject*, BOOL, DWORD) override { return E_NOTIMPL; }
  STDMETHODIMP GetClipboardData(DWORD, IDataObject**) override { return E_NOTIMPL; }
  STDMETHODIMP DoVerb(LONG verb, LPMSG, IOleClientSite* site, LONG, HWND parent, LPCRECT position) override {
    if (verb != OLEIVERB_INPLACEACTIVATE && verb != OLEIVERB_SHOW && verb != OLEIVERB_UIACTIVATE) return E_NOTIMPL;
    if (window_ != nullptr) return S_OK;
    ComPtr<IOleInPlaceSite> inPlaceSite;
    HRESULT hr = (site ? site : site_.Get())->QueryInterface(IID_PPV_ARGS(&inPlaceSite));
    if (FAILED(hr)) return hr;
    if (inPlaceSite->CanInPlaceActivate() != S_OK) return E_FAIL;
    inPlaceSite->OnInPlaceActivate();
    ComPtr<IOleInPlaceUIWindow> document;
    RECT box{}, clip{};
    OLEINPLACEFRAMEINFO frameInfo{};
    frameInfo.cb = sizeof frameInfo;
    hr = inPlaceSite->GetWindowContext(&frame_, &document, &box, &clip, &frameInfo);
    if (FAILED(hr)) return hr;
    if (position != nullptr) box = *position;
    HWND container = parent;
    if (container == nullptr) inPlaceSite->GetWindow(&container);
    window_ = CreateWindowExW(0, kWindowClass, L"", WS_CHILD | WS_VISIBLE, box.left, box.top, box.right - box.left,
                              box.bottom - box.top, container, nullptr, g_module, nullptr);
    if (window_ == nullptr) return HRESULT_FROM_WIN32(GetLastError());
    {
      std::lock_guard<std::mutex> hold(g_lock);
      g_window = window_;
    }
    inPlaceSite_ = inPlaceSite;
    if (frame_) frame_->SetActiveObject(this, L"RecordingBrowser");
    return S_OK;
  }
  STDMETHODIMP EnumVerbs(IEnumOLEVERB**) override { return E_NOTIMPL; }
  STDMETHODIMP Update() override { return S_OK; }
  STDMETHODIMP IsUpToDate() override { return S_OK; }
  STDMETHODIMP GetUserClassID(CLSID* clsid) override {
    *clsid = kRecordingBrowserClsid;
    return S_OK;
  }
  STDMETHODIMP GetUserType(DWORD, LPOLESTR*) override { return E_NOTIMPL; }
  STDMETHODIMP SetExtent(DWORD, SIZEL*) override { return E_NOTIMPL; }
  STDMETHODIMP GetExtent(DWORD, SIZEL*) override { return E_NOTIMPL; }
  STDMETHODIMP Advise(IAdviseSink*, DWORD*) override { return E_NOTIMPL; }
  STDMETHODIMP Unadvise(DWORD) override { return E_NOTIMPL; }
  STDMETHODIMP EnumAdvise(IEnumSTATDATA**) override { return E_NOTIMPL; }
  STDMETHODIMP GetMiscStatus(DWORD, DWORD* status) override {
    *status = OLEMISC_SETCLIENTSITEFIRST | OLEMISC_ACTIVATEWHENVISIBLE | OLEMISC_INSIDEOUT;
    return S_OK;
  }
  STDMETHODIMP SetColorScheme(LOGPALETTE*) override { return E_NOTIMPL; }

  // IOleWindow, IOleInPlaceObject
  STDMETHODIMP GetWindow(HWND* window) override {
    *window = window_;
    return window_ ? S_OK : E_FAIL;
  }
  STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
  STDMETHODIMP InPlaceDeactivate() override {
    if (window_ == nullptr) return S_OK;
    if (frame_) frame_->SetActiveObject(nullptr, nullptr);
    DestroyWindow(window_);
    window_ = nullptr;
    if (inPlaceSite_) inPlaceSite_->OnInPlaceDeactivate();
    inPlaceSite_.Reset();
    frame_.Reset();
    return S_OK;
  }
  STDMETHODIMP UIDeactivate() override { return S_OK; }
  STDMETHODIMP SetObjectRects(LPCRECT position, LPCRECT) override {
    if (window_ != nullptr) {
      MoveWindow(window_, position->left, position->top, position->right - position->left,
                 position->bottom - position->top, TRUE);
    }
    return S_OK;
  }
  STDMETHODIMP ReactivateAndUndo() override { return E_NOTIMPL; }

  // IOleInPlaceActiveObject: counts what it is offered and uses none of it.
  STDMETHODIMP TranslateAccelerator(LPMSG) override {
    std::lock_guard<std::mutex> hold(g_lock);
    ++g_keys;
    return S_FALSE;
  }
  STDMETHODIMP OnFrameWindowActivate(BOOL) override { return S_OK; }
  STDMETHODIMP OnDocWindowActivate(BOOL) override { return S_OK; }
  STDMETHODIMP ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) override { return S_OK; }
  STDMETHODIMP EnableModeless(BOOL) override { return S_OK; }

  // IDispatch: Navigate (104) with exactly one positional BSTR is recorded; anything else refused.
  STDMETHODIMP GetTypeInfoCount(UINT* count) override {
    *count = 0;
    return S_OK;
  }
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return DISP_E_UNKNOWNNAME; }
  STDMETHODIMP Invoke(DISPID member, REFIID, LCID, WORD flags, DISPPARAMS* parameters, VARIANT*, EXCEPINFO*,
                      UINT*) override {
    std::lock_guard<std::mutex> hold(g_lock);
    if (member != kDispidNavigate || !(flags & DISPATCH_METHOD) || parameters == nullptr ||
        parameters->cArgs != 1 || parameters->cNamedArgs != 0 || parameters->rgvarg[0].vt != VT_BSTR) {
      ++g_rejected;
      return member == kDispidNavigate ? DISP_E_BADPARAMCOUNT : DISP_E_MEMBERNOTFOUND;
    }
    const BSTR address = parameters->rgvarg[0].bstrVal;
    g_navigations.emplace_back(address, SysStringLen(address));
    if (window_ != nullptr) InvalidateRect(window_, nullptr, TRUE);
    return g_navigations.back().rfind(kRefusedAddressPrefix, 0) == 0 ? E_ACCESSDENIED : S_OK;
  }

 private:
  ~RecordingBrowser() {
    InPlaceDeactivate();
    std::lock_guard<std::mutex> hold(g_lock);
    --g_live;
  }

  ULONG references_ = 1;
  ComPtr<IOleClientSite> site_;
  ComPtr<IOleInPlaceSite> inPlaceSite_;
  ComPtr<IOleInPlaceFrame> frame_;
  HWND window_ = nullptr;
};

class Factory final : public IClassFactory {
 public:
  STDMETHODIMP QueryInterface(REFIID riid, void** object) override {
    if (riid == IID_IUnknown || riid == IID_IClassFactory) {
      *object = static_cast<IClassFactory*>(this);
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return 2; }
  STDMETHODIMP_(ULONG) Release() override { return 1; }
  STDMETHODIMP CreateInstance(IUnknown* outer, REFIID riid, void** object) override {
    if (outer != nullptr) return CLASS_E_NOAGGREGATION;
    auto* browser = new RecordingBrowser();
    const HRESULT hr = browser->QueryInterface(riid, object);
    static_cast<IOleObject*>(browser)->Release();
    return hr;
  }
  STDMETHODIMP LockServer(BOOL) override { return S_OK; }
};

Factory g_factory;

std::wstring ClsidKey() {
  wchar_t clsid[64];
  StringFromGUID2(kRecordingBrowserClsid, clsid, 64);
  return std::wstring(L"CLSID\\") + clsid;
}

}  // namespace

BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, void*) {
  if (reason == DLL_PROCESS_ATTACH) {
    g_module = module;
    WNDCLASSW page{};
    page.lpfnWndProc = PageProc;
    page.hInstance = module;
    page.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    page.lpszClassName = kWindowClass;
    RegisterClassW(&page);
  }
  return TRUE;
}

extern "C" HRESULT WINAPI DllGetClassObject(REFCLSID clsid, REFIID riid, void** object) {
  if (clsid != kRecordingBrowserClsid) return CLASS_E_CLASSNOTAVAILABLE;
  return g_factory.QueryInterface(riid, object);
}

extern "C" HRESULT WINAPI DllCanUnloadNow() { return S_FALSE; }  // the tests link it in anyway

extern "C" HRESULT RecordingBrowserRegister() {
  wchar_t path[MAX_PATH];
  GetModuleFileNameW(g_module, path, MAX_PATH);
  const std::wstring server = ClsidKey() + L"\\InprocServer32";
  LSTATUS status = RegSetKeyValueW(HKEY_CLASSES_ROOT, server.c_str(), nullptr, REG_SZ, path,
                                   static_cast<DWORD>((wcslen(path) + 1) * sizeof(wchar_t)));
  if (status == ERROR_SUCCESS) {
    static const wchar_t kApartment[] = L"Apartment";
    status = RegSetKeyValueW(HKEY_CLASSES_ROOT, server.c_str(), L"ThreadingModel", REG_SZ, kApartment,
                             sizeof kApartment);
  }
  return HRESULT_FROM_WIN32(status);
}

extern "C" HRESULT RecordingBrowserUnregister() {
  return HRESULT_FROM_WIN32(RegDeleteTreeW(HKEY_CLASSES_ROOT, ClsidKey().c_str()));
}

extern "C" void RecordingBrowserClear() {
  std::lock_guard<std::mutex> hold(g_lock);
  g_navigations.clear();
  g_rejected = 0;
  g_keys = 0;
}

extern "C" int RecordingBrowserNavigationCount() {
  std::lock_guard<std::mutex> hold(g_lock);
  return static_cast<int>(g_navigations.size());
}

extern "C" int RecordingBrowserNavigation(int index, wchar_t* buffer, int capacity) {
  std::lock_guard<std::mutex> hold(g_lock);
  if (index < 0 || index >= static_cast<int>(g_navigations.size())) return -1;
  const std::wstring& text = g_navigations[static_cast<size_t>(index)];
  if (buffer != nullptr && capacity > 0) lstrcpynW(buffer, text.c_str(), capacity);
  return static_cast<int>(text.size());
}

extern "C" int RecordingBrowserRejectedCalls() {
  std::lock_guard<std::mutex> hold(g_lock);
  return g_rejected;
}

extern "C" int RecordingBrowserKeysOffered() {
  std::lock_guard<std::mutex> hold(g_lock);
  return g_keys;
}

extern "C" int RecordingBrowserLiveObjects() {
  std::lock_guard<std::mutex> hold(g_lock);
  return g_live;
}

extern "C" HWND RecordingBrowserWindow() {
  std::lock_guard<std::mutex> hold(g_lock);
  return g_window;
}
