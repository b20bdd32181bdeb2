#include "browse.h"

#include <new>
#include <stdexcept>

#include "bstr.h"
#include "catalogue.h"
#include "commands.h"
#include "notifications.h"
#include "type_info_cache.h"
#include "typelib_dispatch.h"

namespace duvisto {
namespace {

using Microsoft::WRL::ComPtr;

static_assert(kOutOfMemory == E_OUTOFMEMORY, "the logic reports running out of memory as the host expects");

constexpr VARIANT_BOOL ToHostBoolean(bool value) { return value ? VARIANT_TRUE : VARIANT_FALSE; }

// The only failure the logic can meet is running out of memory; it must reach the host as a
// failed call, never as an exception crossing the COM boundary.
template <typename Body>
HRESULT Guarded(Body&& body) noexcept {
  try {
    return body();
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (const std::length_error&) {  // a text longer than a string can hold
    return E_OUTOFMEMORY;
  }
}

// The port as one ParseCommand sees it. A box or the window runs a modal loop, from which the
// host may call in again or release its last reference: the first one the call opens takes a
// reference on the object, held until the call has finished. A command that opens none (a foreign
// word, "/xbchkcontact") takes no reference.
class HoldingUi final : public PluginUi {
 public:
  HoldingUi(PluginUi& ui, Browse* object) : ui_(ui), object_(object) {}
  Status ShowMessage(std::u16string_view text, std::u16string_view title, MessageIcon icon) override {
    Hold();
    return ui_.ShowMessage(text, title, icon);
  }
  Status OpenBrowser(BrowserMode mode, std::u16string_view address, OpenOrder order) override {
    Hold();
    return ui_.OpenBrowser(mode, address, order);
  }

 private:
  void Hold() {
    if (!keepAlive_) keepAlive_ = object_;
  }

  PluginUi& ui_;
  Browse* object_;
  ComPtr<Browse> keepAlive_;
};

}  // namespace

const InterfaceEntry<Browse> Browse::kInterfaces[] = {
    Implements<Browse, _Browse>(IID__Browse), Implements<Browse, _Browse>(IID_IDispatch), kEndOfInterfaces};

HRESULT CreateBrowse(void* ui, REFIID riid, void** ppv) {
  return ComObject<Browse>::Create(riid, ppv, *static_cast<PluginUi*>(ui));
}

STDMETHODIMP Browse::GetTypeInfoCount(UINT* count) {
  if (!count) return E_POINTER;
  *count = 1;
  return S_OK;
}

STDMETHODIMP Browse::GetTypeInfo(UINT index, LCID, ITypeInfo** typeInfo) {
  return ModuleTypeInfoForCaller(IID__Browse, index, typeInfo);
}

STDMETHODIMP Browse::GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID, DISPID* dispids) {
  if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
  // The system's lookup reads and writes both arrays without looking.
  if (count != 0 && !names) return E_INVALIDARG;
  if (count != 0 && !dispids) return E_POINTER;
  ITypeInfo* typeInfo = nullptr;
  const HRESULT hr = ModuleTypeInfo(IID__Browse, &typeInfo);
  if (FAILED(hr)) return hr;
  return DispGetIDsOfNames(typeInfo, names, count, dispids);
}

STDMETHODIMP Browse::Invoke(DISPID dispid, REFIID riid, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                            EXCEPINFO* exception, UINT* argError) {
  if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
  ITypeInfo* typeInfo = nullptr;
  const HRESULT hr = ModuleTypeInfo(IID__Browse, &typeInfo);
  if (FAILED(hr)) return hr;
  return InvokeFromTypeInfo(typeInfo, static_cast<_Browse*>(this), dispid, flags, params, result, exception,
                            argError);
}

STDMETHODIMP Browse::Initialize(LONG, BSTR, IDispatch* oMessenger, VARIANT_BOOL* result) {
  if (!result) return E_POINTER;
  *result = VARIANT_FALSE;
  const ComPtr<IDispatch> messenger(oMessenger);  // held for the call only; nothing is called on it
  return Guarded([&] {
    state_.sRemoteStatus = std::u16string(kDisabled);
    *result = VARIANT_TRUE;
    return S_OK;
  });
}

STDMETHODIMP Browse::Uninitialize(VARIANT* result) {
  if (!result) return E_POINTER;
  VariantInit(result);
  return S_OK;
}

STDMETHODIMP Browse::GetPublishInfo(BSTR* sPluginName, LONG* nCommandCount, LONG* nTagCount,
                                    VARIANT_BOOL* result) {
  if (!sPluginName || !nCommandCount || !nTagCount || !result) return E_POINTER;
  *result = VARIANT_FALSE;
  const HRESULT hr = ReplaceBstr(sPluginName, kPluginName);
  if (FAILED(hr)) return hr;
  *nCommandCount = kCommandCount;
  *nTagCount = kTagCount;
  *result = VARIANT_TRUE;
  return S_OK;
}

STDMETHODIMP Browse::GetPublishCommandInfo(LONG nCommandIdx, BSTR* sName, BSTR* sValue, BSTR* sHelp,
                                           VARIANT* result) {
  if (!sName || !sValue || !sHelp || !result) return E_POINTER;
  VariantInit(result);
  const CatalogueRow* row = CatalogueRowAt(nCommandIdx);
  if (!row) return S_OK;
  // Allocate every text first, so that running out of memory writes none of them.
  UniqueBstr name = UniqueBstr::From(row->sName);
  UniqueBstr value = UniqueBstr::From(row->sValue);
  UniqueBstr help = row->hasHelp ? UniqueBstr::From(row->sHelp) : UniqueBstr();
  if (!name || !value || (row->hasHelp && !help)) return E_OUTOFMEMORY;
  SysFreeString(*sName);
  *sName = name.release();
  SysFreeString(*sValue);
  *sValue = value.release();
  if (row->hasHelp) {
    SysFreeString(*sHelp);
    *sHelp = help.release();
  }
  return S_OK;
}

STDMETHODIMP Browse::ParseCommand(BSTR sCommand, BSTR sCommandArg, IDispatch* oConversationWnd, BSTR* sResult,
                                  VARIANT_BOOL* result) {
  if (!sResult || !result) return E_POINTER;
  *result = VARIANT_FALSE;
  // Declared first, so that a reference it takes on the object is the last thing the call lets go.
  HoldingUi ui(ui_, this);
  const ComPtr<IDispatch> conversationWindow(oConversationWnd);
  return Guarded([&] {
    // The host keeps its in-strings for the whole call, modal loops included; sResult is written
    // only after the logic has finished with them, so a caller passing one string for both is safe.
    BstrAnswer answer;
    bool handled = false;
    const Status status =
        duvisto::ParseCommand(state_, ui, View(sCommand), View(sCommandArg), answer, handled);
    // A result written before a failure stays written, as the host's own language would leave it.
    answer.StoreInto(sResult);
    if (Failed(status)) return static_cast<HRESULT>(status);
    *result = ToHostBoolean(handled);
    return S_OK;
  });
}

STDMETHODIMP Browse::ReceiveNotify(BSTR sNotifyCode, BSTR sText, BSTR, IDispatch* oConversationWnd,
                                   BSTR* sTextToSend, VARIANT_BOOL* result) {
  if (!sTextToSend || !result) return E_POINTER;
  *result = VARIANT_FALSE;
  // Opens no window, so nothing can re-enter it or release the object during the call.
  const ComPtr<IDispatch> conversationWindow(oConversationWnd);
  return Guarded([&] {
    BstrAnswer answer;
    bool handled = false;
    const Status status = duvisto::ReceiveNotify(state_, View(sNotifyCode), View(sText), answer, handled);
    if (Failed(status)) return static_cast<HRESULT>(status);
    answer.StoreInto(sTextToSend);
    *result = ToHostBoolean(handled);
    return S_OK;
  });
}

}  // namespace duvisto
