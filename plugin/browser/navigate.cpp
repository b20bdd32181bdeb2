#include "navigate.h"

#include <oleauto.h>
#include <wrl/client.h>

#include "com_owners.h"

namespace duvisto {
namespace {

// One late-bound call; an automation exception comes back as its own failure code.
HRESULT InvokeLateBound(IUnknown* control, DISPID member, WORD flags, DISPPARAMS* parameters) {
  if (control == nullptr) return E_POINTER;
  Microsoft::WRL::ComPtr<IDispatch> automation;
  HRESULT hr = control->QueryInterface(IID_PPV_ARGS(&automation));
  if (FAILED(hr)) return hr;
  UniqueVariant result;
  UniqueExcepInfo exception;
  UINT badArgument = 0;
  hr = automation->Invoke(member, IID_NULL, LOCALE_USER_DEFAULT, flags, parameters,
                          flags == DISPATCH_PROPERTYPUT ? nullptr : result.put(), exception.put(), &badArgument);
  if (hr == DISP_E_EXCEPTION && FAILED(exception.get().scode)) return exception.get().scode;
  return hr;
}

}  // namespace

HRESULT NavigateLateBound(IUnknown* control, std::wstring_view address) {
  UniqueVariant argument;
  VARIANT* const value = argument.put();
  value->bstrVal = SysAllocStringLen(address.data(), static_cast<UINT>(address.size()));
  if (value->bstrVal == nullptr) return E_OUTOFMEMORY;
  value->vt = VT_BSTR;
  DISPPARAMS parameters{value, nullptr, 1, 0};
  return InvokeLateBound(control, kDispidNavigate, DISPATCH_METHOD, &parameters);
}

HRESULT SetSilentLateBound(IUnknown* control) {
  VARIANT value;
  value.vt = VT_BOOL;  // owns nothing
  value.boolVal = VARIANT_TRUE;
  DISPID named = DISPID_PROPERTYPUT;
  DISPPARAMS parameters{&value, &named, 1, 1};
  return InvokeLateBound(control, kDispidSilent, DISPATCH_PROPERTYPUT, &parameters);
}

}  // namespace duvisto
