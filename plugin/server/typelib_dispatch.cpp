#include "typelib_dispatch.h"

#include <oleauto.h>

#include <algorithm>
#include <new>
#include <string>
#include <vector>

#include "Duvisto_h.h"
#include "module.h"

namespace duvisto {
namespace {

using Microsoft::WRL::ComPtr;

// The function description for `dispid`, found by scanning: looking it up by member id is
// unreliable on the dispatch side of dual interfaces in some runtimes.
class FuncDescFor {
 public:
  // DISPID_UNKNOWN finds nothing and costs nothing.
  FuncDescFor(ITypeInfo* typeInfo, DISPID dispid) : typeInfo_(typeInfo) {
    if (dispid == DISPID_UNKNOWN) return;
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
  std::wstring path;
  HRESULT hr = S_OK;
  try {
    hr = ModulePath(path);
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
  if (FAILED(hr)) return hr;
  ComPtr<ITypeLib> library;
  hr = LoadTypeLibEx(path.c_str(), REGKIND_NONE, &library);
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
  // Most callers pass typed arguments: those go straight to the type library, without the
  // function-description lookup below.
  const VARIANTARG* const first = params->rgvarg;
  const VARIANTARG* const last = first ? first + params->cArgs : first;
  const bool anyVariantReference = std::any_of(first, last, [](const VARIANTARG& argument) {
    return argument.vt == (VT_BYREF | VT_VARIANT) && argument.pvarVal;
  });
  const FuncDescFor function(typeInfo, anyVariantReference ? dispid : DISPID_UNKNOWN);
  if (!function.get()) return typeInfo->Invoke(instance, dispid, flags, params, result, exception, argError);

  // Arguments come last-first; named arguments name their parameter index.
  std::vector<VARIANTARG> arguments;
  try {
    arguments.assign(first, last);
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
  const UINT namedCount = params->rgdispidNamedArgs ? params->cNamedArgs : 0;
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
  }
  DISPPARAMS unwrapped = *params;
  unwrapped.rgvarg = arguments.data();
  return typeInfo->Invoke(instance, dispid, flags, &unwrapped, result, exception, argError);
}

}  // namespace duvisto
