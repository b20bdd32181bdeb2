#include "browser_test_support.h"

#include <exdisp.h>
#include <exdispid.h>
#include <mshtmhst.h>
#include <ocidl.h>
#include <olectl.h>

#include <algorithm>
#include <deque>
#include <mutex>
#include <utility>

#include "com_object.h"
#include "com_owners.h"
#include "module.h"
#include "ui_robot.h"

namespace browser_test {

using Microsoft::WRL::ComPtr;

const CLSID kWebBrowserClsid = {0x8856F961, 0x340A, 0x11D0, {0xA9, 0x6B, 0x00, 0xC0, 0x4F, 0xD7, 0x05, 0xA2}};
// {C4D244B0-D43E-11CF-893B-00AA00BDCE1A}
const IID kIID_IDocHostShowUI = {0xC4D244B0, 0xD43E, 0x11CF, {0x89, 0x3B, 0x00, 0xAA, 0x00, 0xBD, 0xCE, 0x1A}};

std::atomic<HWND> g_browser{nullptr};
std::atomic<int> g_keysOffered{0}, g_liveControls{0}, g_uiActivations{0}, g_frameActive{-1}, g_silentBeforeNavigate{0};
std::atomic<int> g_ownNavigationsCancelled{0}, g_outlivedHook{-1};
HRESULT g_creation = S_OK;
bool g_announceLater = false, g_noConnection = false, g_keepSite = false, g_keepSink = false;
ComPtr<IOleClientSite> g_site;
ComPtr<IDispatch> g_sink;
std::function<void()> g_onUiActivate, g_onKey, g_onFrameActivate;

namespace {

std::mutex g_lock;
Calls g_calls;
std::vector<std::wstring> g_held;  // own navigations not announced yet
IDispatch* g_self = nullptr;  // the live stand-in as the page's events name the top-level browser

#define NOT_USED(name, params) STDMETHODIMP name params override { return E_NOTIMPL; }

// Fires `event` at the window's sink with the arguments in the event's own order; the Cancel
// it holds afterwards.
bool Fire(DISPID event, std::vector<VARIANT> arguments, VARIANT_BOOL& cancel) {
  std::reverse(arguments.begin(), arguments.end());  // DISPPARAMS holds them last first
  DISPPARAMS parameters{arguments.data(), nullptr, static_cast<UINT>(arguments.size()), 0};
  const ComPtr<IDispatch> sink = g_sink;
  if (!sink) return false;
  sink->Invoke(event, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &parameters, nullptr, nullptr, nullptr);
  return cancel == VARIANT_TRUE;
}

VARIANT ByValue(VARTYPE type) { VARIANT v; VariantInit(&v); v.vt = type; return v; }
VARIANT CancelArgument(VARIANT_BOOL& cancel) { VARIANT v = ByValue(VT_BYREF | VT_BOOL); v.pboolVal = &cancel; return v; }
VARIANT Reference(VARIANT& inner) { VARIANT v = ByValue(VT_BYREF | VT_VARIANT); v.pvarVal = &inner; return v; }

// Call once the hook, if any, as its method's first step; note whether this object outlived it.
void RunHook(std::function<void()>& hook) {
  if (!hook) return;
  const std::function<void()> run = std::exchange(hook, nullptr);
  const int before = g_liveControls;
  run();
  g_outlivedHook = g_liveControls >= before ? 1 : 0;
}

// The control's one connection point, DWebBrowserEvents2, to one sink.
class Connection : public IConnectionPoint {
 public:
  static const duvisto::InterfaceEntry<Connection> kInterfaces[];
  STDMETHODIMP QueryInterface(REFIID riid, void** object) override = 0;
  STDMETHODIMP_(ULONG) AddRef() override = 0;
  STDMETHODIMP_(ULONG) Release() override = 0;
  NOT_USED(GetConnectionInterface, (IID*)) NOT_USED(GetConnectionPointContainer, (IConnectionPointContainer**))
  NOT_USED(EnumConnections, (IEnumConnections**))
  STDMETHODIMP Advise(IUnknown* sink, DWORD* cookie) override {
    if (g_sink) return CONNECT_E_ADVISELIMIT;
    const HRESULT hr = sink->QueryInterface(DIID_DWebBrowserEvents2, reinterpret_cast<void**>(g_sink.GetAddressOf()));
    if (FAILED(hr)) return hr;
    g_self = browser_;
    *cookie = 1;
    return S_OK;
  }
  STDMETHODIMP Unadvise(DWORD cookie) override {
    if (cookie != 1) return CONNECT_E_NOCONNECTION;
    g_self = nullptr;
    if (!g_keepSink) g_sink.Reset();
    return S_OK;
  }

 protected:
  explicit Connection(IDispatch* browser) : browser_(browser) {}

 private:
  IDispatch* browser_;  // the control, alive while connected
};
const duvisto::InterfaceEntry<Connection> Connection::kInterfaces[] = {
    duvisto::Implements<Connection, IConnectionPoint>(IID_IConnectionPoint), duvisto::kEndOfInterfaces};

class RecordingBrowser : public IOleObject, public IOleInPlaceObject, public IOleInPlaceActiveObject,
                         public IDispatch, public IConnectionPointContainer {
 public:
  static const duvisto::InterfaceEntry<RecordingBrowser> kInterfaces[];
  RecordingBrowser() { ++g_liveControls; }
  ~RecordingBrowser() { InPlaceDeactivate(); --g_liveControls; }
  STDMETHODIMP QueryInterface(REFIID riid, void** object) override = 0;
  STDMETHODIMP_(ULONG) AddRef() override = 0;
  STDMETHODIMP_(ULONG) Release() override = 0;

  // IOleObject: in-place activation as a plain child window in its box, announced to the frame.
  STDMETHODIMP SetClientSite(IOleClientSite* site) override {
    if (site != nullptr || !g_keepSite) g_site = site;
    return S_OK;
  }
  STDMETHODIMP Close(DWORD) override { return InPlaceDeactivate(); }
  STDMETHODIMP DoVerb(LONG verb, LPMSG, IOleClientSite* site, LONG, HWND parent, LPCRECT box) override {
    if (verb == OLEIVERB_UIACTIVATE && window_ != nullptr) {
      ++g_uiActivations;
      RunHook(g_onUiActivate);
      SetFocus(window_);
      return S_OK;
    }
    if (verb != OLEIVERB_INPLACEACTIVATE || site == nullptr || box == nullptr) return E_NOTIMPL;
    ComPtr<IOleInPlaceSite> inPlaceSite;
    ComPtr<IOleInPlaceUIWindow> document;
    RECT position{}, clip{};
    OLEINPLACEFRAMEINFO frameInfo{sizeof frameInfo, FALSE, nullptr, nullptr, 0};
    HRESULT hr = site->QueryInterface(IID_PPV_ARGS(&inPlaceSite));
    if (SUCCEEDED(hr)) hr = inPlaceSite->GetWindowContext(&frame_, &document, &position, &clip, &frameInfo);
    if (FAILED(hr)) return hr;
    window_ = CreateWindowExW(0, L"STATIC", nullptr, WS_CHILD | WS_VISIBLE | SS_WHITERECT, box->left, box->top,
                              box->right - box->left, box->bottom - box->top, parent, nullptr, nullptr, nullptr);
    if ((g_browser = window_) == nullptr) return E_FAIL;
    return frame_ ? frame_->SetActiveObject(this, L"RecordingBrowser") : S_OK;
  }
  NOT_USED(GetClientSite, (IOleClientSite**)) NOT_USED(SetHostNames, (LPCOLESTR, LPCOLESTR))
  NOT_USED(SetMoniker, (DWORD, IMoniker*)) NOT_USED(GetMoniker, (DWORD, DWORD, IMoniker**))
  NOT_USED(InitFromData, (IDataObject*, BOOL, DWORD)) NOT_USED(GetClipboardData, (DWORD, IDataObject**))
  NOT_USED(EnumVerbs, (IEnumOLEVERB**)) NOT_USED(Update, ()) NOT_USED(IsUpToDate, ()) NOT_USED(GetUserClassID, (CLSID*))
  NOT_USED(GetUserType, (DWORD, LPOLESTR*)) NOT_USED(SetExtent, (DWORD, SIZEL*)) NOT_USED(GetExtent, (DWORD, SIZEL*))
  NOT_USED(Advise, (IAdviseSink*, DWORD*)) NOT_USED(Unadvise, (DWORD)) NOT_USED(EnumAdvise, (IEnumSTATDATA**))
  NOT_USED(GetMiscStatus, (DWORD, DWORD*)) NOT_USED(SetColorScheme, (LOGPALETTE*))

  // IOleWindow, IOleInPlaceObject
  STDMETHODIMP GetWindow(HWND* window) override { return (*window = window_) ? S_OK : E_FAIL; }
  STDMETHODIMP InPlaceDeactivate() override {
    if (frame_) std::exchange(frame_, nullptr)->SetActiveObject(nullptr, nullptr);
    DestroyWindow(std::exchange(window_, nullptr));
    return S_OK;
  }
  STDMETHODIMP SetObjectRects(LPCRECT box, LPCRECT) override {
    MoveWindow(window_, box->left, box->top, box->right - box->left, box->bottom - box->top, TRUE);
    return S_OK;
  }
  NOT_USED(ContextSensitiveHelp, (BOOL)) NOT_USED(UIDeactivate, ()) NOT_USED(ReactivateAndUndo, ())

  // IOleInPlaceActiveObject: counts the keys it is offered and uses none of them.
  STDMETHODIMP TranslateAccelerator(LPMSG) override {
    ++g_keysOffered;
    RunHook(g_onKey);
    return S_FALSE;
  }
  STDMETHODIMP OnFrameWindowActivate(BOOL active) override {
    g_frameActive = active ? 1 : 0;
    if (active) RunHook(g_onFrameActivate);
    return S_OK;
  }
  NOT_USED(OnDocWindowActivate, (BOOL))
  NOT_USED(ResizeBorder, (LPCRECT, IOleInPlaceUIWindow*, BOOL)) NOT_USED(EnableModeless, (BOOL))

  // IDispatch: only Navigate (104) with one positional BSTR, and putting Silent (551), succeed.
  // Navigate announces itself by BeforeNavigate2, inside the call as Internet Explorer does, or
  // from the loop as Wine's control does.
  NOT_USED(GetTypeInfoCount, (UINT*)) NOT_USED(GetTypeInfo, (UINT, LCID, ITypeInfo**))
  NOT_USED(GetIDsOfNames, (REFIID, LPOLESTR*, UINT, LCID, DISPID*))
  STDMETHODIMP Invoke(DISPID member, REFIID, LCID, WORD flags, DISPPARAMS* args, VARIANT*, EXCEPINFO*,
                      UINT*) override {
    if (member == 551 /* Silent */ && flags == DISPATCH_PROPERTYPUT && args->cArgs == 1 && args->cNamedArgs == 1 &&
        args->rgdispidNamedArgs[0] == DISPID_PROPERTYPUT && args->rgvarg[0].vt == VT_BOOL) {
      std::lock_guard<std::mutex> hold(g_lock);
      if (args->rgvarg[0].boolVal == VARIANT_TRUE && g_calls.empty()) g_silentBeforeNavigate = 1;
      return S_OK;
    }
    const bool navigate = member == 104 /* Navigate */ && flags == DISPATCH_METHOD && args->cArgs == 1 &&
                          args->cNamedArgs == 0 && args->rgvarg[0].vt == VT_BSTR;
    const BSTR address = navigate ? args->rgvarg[0].bstrVal : nullptr;
    std::wstring recorded = navigate ? std::wstring(address, SysStringLen(address)) : L"<not Navigate(BSTR)>";
    {
      std::lock_guard<std::mutex> hold(g_lock);
      g_calls.push_back(recorded);
    }
    if (!navigate) return DISP_E_MEMBERNOTFOUND;
    if (recorded.rfind(L"refuse:", 0) == 0) return E_ACCESSDENIED;
    if (g_announceLater) {
      std::lock_guard<std::mutex> hold(g_lock);
      g_held.push_back(recorded);
    } else {
      g_ownNavigationsCancelled += !PageNavigates(recorded.c_str());
    }
    return S_OK;
  }

  // IConnectionPointContainer
  NOT_USED(EnumConnectionPoints, (IEnumConnectionPoints**))
  STDMETHODIMP FindConnectionPoint(REFIID riid, IConnectionPoint** point) override {
    *point = nullptr;
    if (riid != DIID_DWebBrowserEvents2 || g_noConnection) return CONNECT_E_NOCONNECTION;
    return duvisto::ComObject<Connection, duvisto::HoldsModule::No>::Create(IID_IConnectionPoint,
                                                                           reinterpret_cast<void**>(point),
                                                                           static_cast<IDispatch*>(this));
  }

 private:
  ComPtr<IOleInPlaceFrame> frame_;
  HWND window_ = nullptr;
};

const duvisto::InterfaceEntry<RecordingBrowser> RecordingBrowser::kInterfaces[] = {
    duvisto::Implements<RecordingBrowser, IOleObject>(IID_IOleObject),
    duvisto::Implements<RecordingBrowser, IOleInPlaceObject>(IID_IOleWindow),
    duvisto::Implements<RecordingBrowser, IOleInPlaceObject>(IID_IOleInPlaceObject),
    duvisto::Implements<RecordingBrowser, IOleInPlaceActiveObject>(IID_IOleInPlaceActiveObject),
    duvisto::Implements<RecordingBrowser, IDispatch>(IID_IDispatch),
    duvisto::Implements<RecordingBrowser, IConnectionPointContainer>(IID_IConnectionPointContainer),
    duvisto::kEndOfInterfaces};

// Made through ComObject<..., HoldsModule::No>: the test program's module count is the window's alone.
class Factory : public IClassFactory {
 public:
  static const duvisto::InterfaceEntry<Factory> kInterfaces[];
  STDMETHODIMP CreateInstance(IUnknown*, REFIID riid, void** object) override {
    if (FAILED(g_creation)) return g_creation;
    return duvisto::ComObject<RecordingBrowser, duvisto::HoldsModule::No>::Create(riid, object);
  }
  STDMETHODIMP LockServer(BOOL) override { return S_OK; }
};
const duvisto::InterfaceEntry<Factory> Factory::kInterfaces[] = {
    duvisto::Implements<Factory, IClassFactory>(IID_IClassFactory), duvisto::kEndOfInterfaces};

std::mutex g_taskLock;
std::deque<std::function<void()>> g_tasks;

void CALLBACK RunTasks(HWND, UINT, UINT_PTR, DWORD) {
  for (;;) {
    std::function<void()> task;
    {
      std::lock_guard<std::mutex> hold(g_taskLock);
      if (g_tasks.empty()) return;
      task = std::move(g_tasks.front());
      g_tasks.pop_front();
    }
    task();  // may nest a loop of its own, in which the next tasks run
  }
}

constexpr wchar_t kWarning[] =
    L"Important: If you click a link or type an address above, your contact's browser will NOT follow you. "
    L"You must use the /xnewurl command, if you want your contact to see the same page! If you want to go to "
    L"the URL of a link, right click on the link, click properties, copy the link and paste it after the "
    L"/xnewurl command.";

int OuterHeight(HWND window) { const RECT r = robot::WindowRectOnScreen(window); return r.bottom - r.top; }

}  // namespace

Calls Recorded() {
  std::lock_guard<std::mutex> hold(g_lock);
  return g_calls;
}

void ResetCalls() {
  std::lock_guard<std::mutex> hold(g_lock);
  g_calls.clear();
}

void AnnounceHeld() {
  std::vector<std::wstring> held;
  {
    std::lock_guard<std::mutex> hold(g_lock);
    held.swap(g_held);
  }
  for (const std::wstring& address : held) g_ownNavigationsCancelled += !PageNavigates(address.c_str());
}

void ResetStandIn() {
  ResetCalls();
  {
    std::lock_guard<std::mutex> hold(g_lock);
    g_held.clear();
  }
  g_keysOffered = g_uiActivations = g_silentBeforeNavigate = g_ownNavigationsCancelled = 0;
  g_frameActive = g_outlivedHook = -1;
  g_creation = S_OK;
  g_announceLater = g_noConnection = g_keepSite = g_keepSink = false;
  g_onUiActivate = g_onKey = g_onFrameActivate = nullptr;
}

IClassFactory* StandInFactory() {
  static const ComPtr<Factory> factory = duvisto::ComObject<Factory, duvisto::HoldsModule::No>::Make();
  return factory.Get();
}

bool PageNavigates(const wchar_t* address, bool topLevel) {
  VARIANT_BOOL cancel = VARIANT_FALSE;
  duvisto::UniqueBstr url{std::wstring_view(address)};
  VARIANT urlValue = ByValue(VT_BSTR), flags = ByValue(VT_I4), frame = ByValue(VT_BSTR), post = ByValue(VT_EMPTY),
          headers = ByValue(VT_BSTR);
  urlValue.bstrVal = url.get();
  VARIANT browser = ByValue(VT_DISPATCH);
  browser.pdispVal = topLevel ? g_self : nullptr;  // a frame is a browser object of its own
  return !Fire(DISPID_BEFORENAVIGATE2,
               {browser, Reference(urlValue), Reference(flags), Reference(frame), Reference(post), Reference(headers),
                CancelArgument(cancel)},
               cancel);
}

bool NewWindowOpens(DISPID event, DWORD flags, const wchar_t* address) {
  VARIANT_BOOL cancel = VARIANT_FALSE;
  IDispatch* newWindow = nullptr;
  VARIANT newWindowArgument = ByValue(VT_BYREF | VT_DISPATCH);
  newWindowArgument.ppdispVal = &newWindow;
  if (event == DISPID_NEWWINDOW2) return !Fire(event, {newWindowArgument, CancelArgument(cancel)}, cancel);
  duvisto::UniqueBstr context{std::wstring_view(L"http://127.0.0.1/page.html")}, url{std::wstring_view(address)};
  VARIANT flagsArgument = ByValue(VT_UI4), contextArgument = ByValue(VT_BSTR), urlArgument = ByValue(VT_BSTR);
  flagsArgument.ulVal = flags;
  contextArgument.bstrVal = context.get();
  urlArgument.bstrVal = url.get();
  return !Fire(event, {newWindowArgument, CancelArgument(cancel), flagsArgument, contextArgument, urlArgument}, cancel);
}

bool DownloadGoesOn(int activeDocument) {
  VARIANT_BOOL cancel = VARIANT_FALSE;
  if (activeDocument < 0) return !Fire(DISPID_FILEDOWNLOAD, {CancelArgument(cancel)}, cancel);
  VARIANT active = ByValue(VT_BOOL);
  active.boolVal = activeDocument ? VARIANT_TRUE : VARIANT_FALSE;
  return !Fire(DISPID_FILEDOWNLOAD, {active, CancelArgument(cancel)}, cancel);
}

bool WindowCloses() {
  VARIANT_BOOL cancel = VARIANT_FALSE;
  VARIANT child = ByValue(VT_BOOL);
  child.boolVal = VARIANT_FALSE;
  return !Fire(DISPID_WINDOWCLOSING, {child, CancelArgument(cancel)}, cancel);
}

LRESULT PageBox(const wchar_t* text) {
  ComPtr<IDocHostShowUI> showUi;
  if (!g_site || FAILED(g_site->QueryInterface(kIID_IDocHostShowUI, reinterpret_cast<void**>(showUi.GetAddressOf()))))
    return -1;
  LRESULT result = -1;
  std::wstring message = text, caption = L"Message from webpage";
  if (FAILED(showUi->ShowMessage(g_browser, message.data(), caption.data(), MB_OK | MB_ICONWARNING, nullptr, 0,
                                 &result)))
    return -2;
  return result;
}

void StartOnUiThread(std::function<void()> task) {
  std::lock_guard<std::mutex> hold(g_taskLock);
  g_tasks.push_back(std::move(task));
}

Parts WaitForLaidOut(DWORD uiThread, int heightTwips) {
  const HWND window = robot::WaitForWindow(robot::Owner::Thread(uiThread), L"DuvistoFrmBrowser").value_or(nullptr);
  EXPECT_TRUE(window && robot::WaitUntil([&] { return OuterHeight(window) == robot::TwipsToPixelsY(heightTwips); }))
      << "outer height " << OuterHeight(window) << " px, expected " << heightTwips << " twips";
  if (window == nullptr) return {};
  const Parts p{window, robot::FindChild(window, L"Edit", L""), robot::FindChild(window, L"Button", L"GO"),
                robot::FindChild(window, L"Static", kWarning)};
  EXPECT_TRUE(p.address && p.go && p.label);
  return p;
}

testing::AssertionResult NavigatedTo(const Calls& expected) {
  if (robot::WaitUntil([&] { return Recorded() == expected; })) return testing::AssertionSuccess();
  return testing::AssertionFailure() << "Navigate got " << testing::PrintToString(Recorded());
}

void BrowserWindow::SetUp() {
  ASSERT_EQ(CoInitialize(nullptr), S_OK);
  ResetStandIn();
  ASSERT_EQ(CoRegisterClassObject(kWebBrowserClsid, StandInFactory(), CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &cookie_),
            S_OK);
  tasks_ = SetTimer(nullptr, 0, 10, RunTasks);
  ASSERT_NE(tasks_, 0u);
}

void BrowserWindow::TearDown() {
  KillTimer(nullptr, tasks_);
  {
    std::lock_guard<std::mutex> hold(g_taskLock);
    g_tasks.clear();
  }
  CoRevokeClassObject(cookie_);
  EXPECT_EQ(g_ownNavigationsCancelled, 0) << "the window's own navigations are not the page's";
  EXPECT_FALSE(duvisto::ModuleInUse()) << "a window is still loaded";
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  EXPECT_FALSE(GetClassInfoExW(GetModuleHandleW(nullptr), L"DuvistoFrmBrowser", &windowClass))
      << "the window class went with the last window";
  EXPECT_EQ(g_liveControls, 0) << "the control was not released";
  CoUninitialize();
}

HRESULT BrowserWindow::Open(duvisto::BrowserMode mode, const std::wstring& address,
                            const std::function<void(DWORD uiThread)>& driver, duvisto::OpenOrder order) {
  HRESULT result = E_PENDING;
  returned_ = false;
  const auto open = [&] {
    result = duvisto::OpenBrowserWindow(mode, address, order);
    returned_ = true;
  };
  EXPECT_TRUE(robot::RunDriven(open, driver).callReturnedInTime) << "the window had to be closed by force";
  return result;
}

void BrowserWindow::CloseWindow(HWND window) {
  EXPECT_FALSE(robot::WaitUntil([&] { return returned_.load(); }, std::chrono::milliseconds(300)))
      << "open returned while shown";
  EXPECT_TRUE(duvisto::ModuleInUse()) << "a loaded window holds the module";
  EXPECT_TRUE(robot::CloseAndWait(window));
}

std::function<void(DWORD)> BrowserWindow::CloseWhenLaidOut(int heightTwips) {
  return [this, heightTwips](DWORD ui) { CloseWindow(WaitForLaidOut(ui, heightTwips).window); };
}

}  // namespace browser_test
