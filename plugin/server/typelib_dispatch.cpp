#include "typelib_dispatch.h"

#include <oleauto.h>

#include <string>
#include <vector>

#include "Duvisto_h.h"
#include "module.h"

namespace duvisto {
namespace {

using Microsoft::WRL::ComPtr;

std::wstring ModulePath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(ModuleHandle(), path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return {};
    if (length < path.size()) {
      path.resize(length);
      return path;
    }
    path.resize(path.size() * 2);
  }
}

// The function description for `dispid`, found by scanning: looking it up by member id is
// unreliable on the dispatch side of dual interfaces in some runtimes.
class FuncDescFor {
 public:
  FuncDescFor(ITypeInfo* typeInfo, DISPID dispid) : typeInfo_(typeInfo) {
    TYPEATTR* attributes = nullptr;
    if (FAILED(typeInfo->GetTypeAttr(&attributes))) return;
    const WORD functionCount = attributes->cFuncs;
    typeInfo->ReleaseTypeAttr(attributes);
    for (UINT i = 0; i < functionCount && !desc_; ++i) {
      FUNCDESC* candidate = nullptr;
      if (FAILED(typeInfo->GetFuncDesc(i, &candidate))) continue;
      if (candidate->memid == dispid)
        desc_ = candidate;
      else
        typeInfo->ReleaseFuncDesc(candidate);
    }
  }
  FuncDescFor(const FuncDescFor&) = delete;
  FuncDescFor& operator=(const FuncDescFor&) = delete;
  ~FuncDescFor() {
    if (desc_) typeInfo_->ReleaseFuncDesc(desc_);
  }
  const FUNCDESC* get() const { return desc_; }

 private:
  ITypeInfo* typeInfo_;
  FUNCDESC* desc_ = nullptr;
};

// The pointed-to type of a by-reference BSTR or long parameter, or VT_EMPTY for any other.
VARTYPE ByReferenceTarget(const ELEMDESC& parameter) {
  const TYPEDESC& type = parameter.tdesc;
  if (type.vt != VT_PTR || !type.lptdesc) return VT_EMPTY;
  const VARTYPE target = type.lptdesc->vt;
  return (target == VT_BSTR || target == VT_I4) ? target : static_cast<VARTYPE>(VT_EMPTY);
}

}  // namespace

HRESULT LoadBrowseTypeInfo(ComPtr<ITypeInfo>& typeInfo) {
  const std::wstring path = ModulePath();
  if (path.empty()) return HRESULT_FROM_WIN32(GetLastError());
  ComPtr<ITypeLib> library;
  HRESULT hr = LoadTypeLibEx(path.c_str(), REGKIND_NONE, &library);
  if (FAILED(hr)) return hr;
  ComPtr<ITypeInfo> dispatchSide;
  hr = library->GetTypeInfoOfGuid(IID__Browse, &dispatchSide);
  if (FAILED(hr)) return hr;
  // Invoke through the vtable side, which describes the real slots and the HRESULT returns.
  HREFTYPE vtableReference = 0;
  hr = dispatchSide->GetRefTypeOfImplType(static_cast<UINT>(-1), &vtableReference);
  if (FAILED(hr)) return hr;
  return dispatchSide->GetRefTypeInfo(vtableReference, &typeInfo);
}

HRESULT InvokeFromTypeInfo(ITypeInfo* typeInfo, void* instance, DISPID dispid, WORD flags, DISPPARAMS* params,
                           VARIANT* result, EXCEPINFO* exception, UINT* argError) {
  if (!params) return E_INVALIDARG;
  const FuncDescFor function(typeInfo, dispid);
  if (!function.get() || params->cArgs == 0)
    return typeInfo->Invoke(instance, dispid, flags, params, result, exception, argError);

  // Arguments come last-first; named arguments name their parameter index.
  std::vector<VARIANTARG> arguments(params->rgvarg, params->rgvarg + params->cArgs);
  bool substituted = false;
  const UINT namedCount = params->cNamedArgs;
  for (UINT k = 0; k < params->cArgs; ++k) {
    VARIANTARG& argument = arguments[k];
    if (argument.vt != (VT_BYREF | VT_VARIANT) || !argument.pvarVal) continue;
    const LONG parameterIndex = k < namedCount ? params->rgdispidNamedArgs[k]
                                               : static_cast<LONG>(params->cArgs - 1 - k);
    if (parameterIndex < 0 || parameterIndex >= function.get()->cParams) continue;
    const VARTYPE target = ByReferenceTarget(function.get()->lprgelemdescParam[parameterIndex]);
    if (target == VT_EMPTY) continue;

    VARIANT* inner = argument.pvarVal;
    if (inner->vt != target) {
      const HRESULT hr = VariantChangeType(inner, inner, 0, target);
      if (FAILED(hr)) {
        if (argError) *argError = k;
        return DISP_E_TYPEMISMATCH;
      }
    }
    argument.vt = VT_BYREF | target;
    if (target == VT_BSTR)
      argument.pbstrVal = &inner->bstrVal;
    else
      argument.plVal = &inner->lVal;
    substituted = true;
  }
  if (!substituted) return typeInfo->Invoke(instance, dispid, flags, params, result, exception, argError);

  DISPPARAMS unwrapped = *params;
  unwrapped.rgvarg = arguments.data();
  return typeInfo->Invoke(instance, dispid, flags, &unwrapped, result, exception, argError);
}

}  // namespace duvisto
