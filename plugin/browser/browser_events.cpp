#include "browser_events.h"

#include <exdisp.h>
#include <exdispid.h>
#include <ocidl.h>

#include <new>
#include <string>
#include <string_view>

#include "page_rules.h"

namespace duvisto {
namespace {

using Microsoft::WRL::ComPtr;

// NWMF_USERINITED: the new window follows a click or a key press of the user's own.
constexpr DWORD kUserInitiated = 0x2;

// The event's argument `index`, counted in the event's own order (DISPPARAMS holds them last
// first); null when the event came with fewer.
const VARIANT* Argument(const DISPPARAMS& parameters, UINT index) {
  if (parameters.rgvarg == nullptr || index >= parameters.cArgs) return nullptr;
  return &parameters.rgvarg[parameters.cArgs - 1 - index];
}

// A by-reference argument's VARIANT, or the argument itself.
const VARIANT* Value(const VARIANT* argument) {
  if (argument != nullptr && argument->vt == (VT_BYREF | VT_VARIANT)) return argument->pvarVal;
  return argument;
}

// Sets the event's Cancel, its argument `index`.
void Cancel(const DISPPARAMS& parameters, UINT index) {
  const VARIANT* cancel = Argument(parameters, index);
  if (cancel != nullptr && cancel->vt == (VT_BYREF | VT_BOOL) && cancel->pboolVal != nullptr)
    *cancel->pboolVal = VARIANT_TRUE;
}

std::u16string_view TextOf(const VARIANT* argument) {
  const VARIANT* value = Value(argument);
  if (value == nullptr || value->vt != VT_BSTR || value->bstrVal == nullptr) return {};
  return {reinterpret_cast<const char16_t*>(value->bstrVal), SysStringLen(value->bstrVal)};
}

// The object's COM identity, compared and never called again.
const IUnknown* IdentityOf(IUnknown* object) {
  if (object == nullptr) return nullptr;
  ComPtr<IUnknown> identity;
  return SUCCEEDED(object->QueryInterface(IID_PPV_ARGS(&identity))) ? identity.Get() : nullptr;
}

}  // namespace

const InterfaceEntry<BrowserEvents> BrowserEvents::kInterfaces[] = {
    Implements<BrowserEvents, IDispatch>(IID_IDispatch),
    Implements<BrowserEvents, IDispatch>(DIID_DWebBrowserEvents2), kEndOfInterfaces};

BrowserEvents::BrowserEvents(PageHost* host, IUnknown* control) : host_(host), control_(IdentityOf(control)) {}

HRESULT BrowserEvents::Connect(IUnknown* control, PageHost* host, ComPtr<BrowserEvents>* events) {
  if (control == nullptr || events == nullptr) return E_POINTER;
  ComPtr<IConnectionPointContainer> container;
  HRESULT hr = control->QueryInterface(IID_PPV_ARGS(&container));
  if (FAILED(hr)) return hr;
  ComPtr<IConnectionPoint> connection;
  hr = container->FindConnectionPoint(DIID_DWebBrowserEvents2, &connection);
  if (FAILED(hr)) return hr;
  ComPtr<BrowserEvents> sink = ComObject<BrowserEvents>::Make(host, control);
  if (!sink) return E_OUTOFMEMORY;
  hr = connection->Advise(static_cast<IDispatch*>(sink.Get()), &sink->cookie_);
  if (FAILED(hr)) return hr;
  sink->connection_ = connection;
  *events = std::move(sink);
  return S_OK;
}

void BrowserEvents::Disconnect() {
  host_ = nullptr;
  if (ComPtr<IConnectionPoint> connection = std::move(connection_)) connection->Unadvise(cookie_);
}

STDMETHODIMP BrowserEvents::GetTypeInfoCount(UINT* count) {
  if (count == nullptr) return E_POINTER;
  *count = 0;
  return S_OK;
}
STDMETHODIMP BrowserEvents::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
  if (info == nullptr) return E_POINTER;
  *info = nullptr;
  return DISP_E_BADINDEX;
}
STDMETHODIMP BrowserEvents::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) { return E_NOTIMPL; }

STDMETHODIMP BrowserEvents::Invoke(DISPID member, REFIID, LCID, WORD, DISPPARAMS* parameters, VARIANT*, EXCEPINFO*,
                                   UINT*) {
  if (parameters == nullptr) return E_INVALIDARG;
  switch (member) {
    case DISPID_BEFORENAVIGATE2:
      OnBeforeNavigate2(*parameters);
      return S_OK;
    case DISPID_NEWWINDOW3:
      OnNewWindow3(*parameters);
      return S_OK;
    case DISPID_NEWWINDOW2:  // (ppDisp, Cancel), only where NewWindow3 is not raised: no address to judge
    case DISPID_WINDOWCLOSING:  // (IsChildWindow, Cancel): the page's window.close(); our window stays
      Cancel(*parameters, 1);
      return S_OK;
    case DISPID_FILEDOWNLOAD:
      OnFileDownload(*parameters);
      return S_OK;
    default:
      return DISP_E_MEMBERNOTFOUND;
  }
}

// (pDisp, URL, Flags, TargetFrameName, PostData, Headers, Cancel). The window's own navigation
// is the control's own (top-level) one it asked for last; every other one is the page's.
void BrowserEvents::OnBeforeNavigate2(const DISPPARAMS& parameters) {
  const VARIANT* browser = Argument(parameters, 0);
  const bool topLevel = browser != nullptr && browser->vt == VT_DISPATCH && control_ != nullptr &&
                        IdentityOf(browser->pdispVal) == control_;
  if (host_ != nullptr && topLevel && host_->TakeOwnNavigation()) return;
  if (host_ != nullptr && IsAllowedPageAddress(TextOf(Argument(parameters, 1)))) return;
  Cancel(parameters, 6);
}

// (ppDisp, Cancel, dwFlags, bstrUrlContext, bstrUrl). Never a window outside ours: one the user
// asked for opens in our window when its address may be followed; one a script asked for goes.
void BrowserEvents::OnNewWindow3(const DISPPARAMS& parameters) {
  Cancel(parameters, 1);
  const VARIANT* flags = Value(Argument(parameters, 2));
  const bool userInitiated = flags != nullptr && (flags->vt == VT_I4 || flags->vt == VT_UI4) &&
                             (flags->ulVal & kUserInitiated) != 0;
  const std::u16string_view address = TextOf(Argument(parameters, 4));
  if (host_ == nullptr || !userInitiated || !IsAllowedPageAddress(address)) return;
  try {
    host_->OpenInWindow(std::wstring(reinterpret_cast<const wchar_t*>(address.data()), address.size()));
  } catch (const std::bad_alloc&) {
    // Without memory for the address the window stays where it is.
  }
}

// (ActiveDocument, Cancel) from Internet Explorer 7 on; (Cancel) alone before. A download from a
// page the partner chose is refused; a page the control is about to show (an active document)
// is no download. Where the event cannot say which it is, the control's own prompt stays.
void BrowserEvents::OnFileDownload(const DISPPARAMS& parameters) {
  const bool withActiveDocument = parameters.cArgs >= 2;
  const UINT cancel = withActiveDocument ? 1 : 0;
  if (host_ == nullptr) {
    Cancel(parameters, cancel);
    return;
  }
  const VARIANT* activeDocument = withActiveDocument ? Value(Argument(parameters, 0)) : nullptr;
  const bool download = activeDocument != nullptr && activeDocument->vt == VT_BOOL &&
                        activeDocument->boolVal == VARIANT_FALSE;
  if (download && host_->ShowsPartnersPage()) Cancel(parameters, cancel);
}

}  // namespace duvisto
