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

}  // namespace

HRESULT NavigateLateBound(IUnknown* control, std::wstring_view address) {
  if (control == nullptr) return E_POINTER;
  Microsoft::WRL::ComPtr<IDispatch> automation;
  HRESULT hr = control->QueryInterface(IID_PPV_ARGS(&automation));
  if (FAILED(hr)) return hr;

  ScopedVariant argument;
  argument.value.vt = VT_BSTR;
  argument.value.bstrVal = SysAllocStringLen(address.data(), static_cast<UINT>(address.size()));
  if (argument.value.bstrVal == nullptr) return E_OUTOFMEMORY;
  DISPPARAMS parameters{&argument.value, nullptr, 1, 0};

  ScopedVariant result;
  ScopedExcepInfo exception;
  UINT badArgument = 0;
  hr = automation->Invoke(kDispidNavigate, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &parameters,
                          &result.value, &exception.value, &badArgument);
  if (hr == DISP_E_EXCEPTION && FAILED(exception.value.scode)) return exception.value.scode;
  return hr;
}

}  // namespace duvisto
