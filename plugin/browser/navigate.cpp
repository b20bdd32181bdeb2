#include "navigate.h"

#include <oleauto.h>
#include <wrl/client.h>

namespace duvisto {
namespace {

// A VARIANT cleared when it goes.
struct ScopedVariant {
  VARIANT value;
  ScopedVariant() { VariantInit(&value); }
  ~ScopedVariant() { VariantClear(&value); }
  ScopedVariant(const ScopedVariant&) = delete;
  ScopedVariant& operator=(const ScopedVariant&) = delete;
};

// The texts an automation exception hands back.
struct ScopedExcepInfo {
  EXCEPINFO value{};
  ~ScopedExcepInfo() {
    SysFreeString(value.bstrSource);
    SysFreeString(value.bstrDescription);
    SysFreeString(value.bstrHelpFile);
  }
};

// One late-bound call; an automation exception comes back as its own failure code.
HRESULT InvokeLateBound(IUnknown* control, DISPID member, WORD flags, DISPPARAMS* parameters) {
  if (control == nullptr) return E_POINTER;
  Microsoft::WRL::ComPtr<IDispatch> automation;
  HRESULT hr = control->QueryInterface(IID_PPV_ARGS(&automation));
  if (FAILED(hr)) return hr;
  ScopedVariant result;
  ScopedExcepInfo exception;
  UINT badArgument = 0;
  hr = automation->Invoke(member, IID_NULL, LOCALE_USER_DEFAULT, flags, parameters,
                          flags == DISPATCH_PROPERTYPUT ? nullptr : &result.value, &exception.value, &badArgument);
  if (hr == DISP_E_EXCEPTION && FAILED(exception.value.scode)) return exception.value.scode;
  return hr;
}

}  // namespace

HRESULT NavigateLateBound(IUnknown* control, std::wstring_view address) {
  ScopedVariant argument;
  argument.value.vt = VT_BSTR;
  argument.value.bstrVal = SysAllocStringLen(address.data(), static_cast<UINT>(address.size()));
  if (argument.value.bstrVal == nullptr) return E_OUTOFMEMORY;
  DISPPARAMS parameters{&argument.value, nullptr, 1, 0};
  return InvokeLateBound(control, kDispidNavigate, DISPATCH_METHOD, &parameters);
}

HRESULT SetSilentLateBound(IUnknown* control) {
  ScopedVariant value;
  value.value.vt = VT_BOOL;
  value.value.boolVal = VARIANT_TRUE;
  DISPID named = DISPID_PROPERTYPUT;
  DISPPARAMS parameters{&value.value, &named, 1, 1};
  return InvokeLateBound(control, kDispidSilent, DISPATCH_PROPERTYPUT, &parameters);
}

}  // namespace duvisto
