#include "typelib_dispatch.h"

#include <oleauto.h>

#include <algorithm>
#include <memory>
#include <new>
#include <vector>

#include "com_owners.h"

namespace duvisto {
namespace {

// The function description for `dispid`, found by scanning: looking it up by member id is
// unreliable on the dispatch side of dual interfaces in Wine (its index leaves out the inherited
// methods).
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

// A script's by-reference variable whose value is not of its BSTR* or long* parameter's type:
// the method works on a converted copy, and the variable takes the copy only if the method
// wrote it. A call refused before the method runs, or a method that leaves the parameter
// alone, leaves the variable exactly as it was, type included.
class ConvertedVariable {
 public:
  HRESULT Convert(VARIANT* variable, VARTYPE target) {
    VARIANT* const copy = copy_.put();
    const HRESULT hr = VariantChangeType(copy, variable, 0, target);
    if (FAILED(hr)) return hr;
    variable_ = variable;
    copyValue_ = copy;
    passedText_ = target == VT_BSTR ? copy->bstrVal : nullptr;
    passedNumber_ = target == VT_I4 ? copy->lVal : 0;
    return S_OK;
  }

  // The reference the method is called with.
  VARIANTARG Reference() const {
    VARIANTARG reference;
    reference.vt = VT_BYREF | copyValue_->vt;
    if (copyValue_->vt == VT_BSTR)
      reference.pbstrVal = &copyValue_->bstrVal;
    else
      reference.plVal = &copyValue_->lVal;
    return reference;
  }

  // Moves a written copy into the variable. The methods allocate a new string before freeing
  // the old one, so a written string has a new pointer. The only long in-out parameters,
  // GetPublishInfo's counts, are written by every call that succeeds, even with the value the
  // copy already had (an Empty tag count becomes the long 0); a failed call wrote a long only
  // if it changed it.
  HRESULT WriteBackIfWritten(bool methodSucceeded) {
    if (!variable_) return S_OK;
    const bool written = copyValue_->vt == VT_BSTR
                             ? copyValue_->bstrVal != passedText_
                             : methodSucceeded || copyValue_->lVal != passedNumber_;
    if (!written) return S_OK;
    const HRESULT hr = VariantClear(variable_);
    if (FAILED(hr)) return hr;
    *variable_ = *copyValue_;
    copyValue_->vt = VT_EMPTY;  // the string now belongs to the variable
    return S_OK;
  }

 private:
  UniqueVariant copy_;
  VARIANT* copyValue_ = nullptr;  // copy_'s value, filled by Convert
  VARIANT* variable_ = nullptr;   // the caller's, set once converted
  BSTR passedText_ = nullptr;
  LONG passedNumber_ = 0;
};

// Parameters the caller never passes: the return value and the locale.
constexpr USHORT kNotPassed = PARAMFLAG_FRETVAL | PARAMFLAG_FLCID;

// Whether `argument` can be passed for a parameter of `type` the way the type library's Invoke
// passes it: a by-reference parameter takes a reference of exactly its type or a value it
// converts; a by-value parameter takes anything that converts. Types not judged here pass.
bool Coercible(const VARIANTARG& argument, const TYPEDESC& type) {
  VARTYPE target = type.vt;
  bool byReference = false;
  if (target == VT_PTR && type.lptdesc) {
    target = type.lptdesc->vt;
    // A pointer to an interface takes an object; IDispatch is the only one _Browse takes.
    byReference = target != VT_USERDEFINED;
    if (!byReference) target = VT_DISPATCH;
  }
  if (target == VT_USERDEFINED || target == VT_VARIANT) return true;
  if (byReference && (argument.vt & VT_BYREF)) return argument.vt == (VT_BYREF | target);
  VARIANT converted;
  VariantInit(&converted);
  // Only read: the source of a conversion into another VARIANT is left as it was.
  const HRESULT hr = VariantChangeType(&converted, const_cast<VARIANTARG*>(&argument), 0, target);
  VariantClear(&converted);
  return SUCCEEDED(hr);
}

// The rgvarg index of the first argument the type library could not convert, bound to the
// parameters as it binds them: named arguments by their ids, the others last-first in order.
// Only called after a type mismatch, so a call that works pays nothing for it.
bool FindUncoercibleArgument(const FUNCDESC& function, const DISPPARAMS& params, UINT& index) {
  UINT positional = 0;
  for (SHORT i = 0; i < function.cParams; ++i) {
    const ELEMDESC& parameter = function.lprgelemdescParam[i];
    if (parameter.paramdesc.wParamFlags & kNotPassed) continue;
    const DISPID* const named = params.rgdispidNamedArgs;
    const DISPID* const namedEnd = named + params.cNamedArgs;
    const DISPID* const naming = std::find(named, namedEnd, static_cast<DISPID>(i));
    UINT candidate = 0;
    if (naming != namedEnd) {
      candidate = static_cast<UINT>(naming - named);
    } else if (params.cNamedArgs + positional < params.cArgs) {
      candidate = params.cArgs - 1 - positional++;
    } else {
      continue;
    }
    if (!Coercible(params.rgvarg[candidate], parameter.tdesc)) {
      index = candidate;
      return true;
    }
  }
  return false;
}

// A named argument must name a parameter the caller can pass, once. The type library would
// answer a wrong name as a wrong count; the caller is told which argument it is instead.
HRESULT CheckNamedArguments(const FUNCDESC& function, const DISPPARAMS& params, UINT* argError) {
  const DISPID* const named = params.rgdispidNamedArgs;
  for (UINT k = 0; k < params.cNamedArgs; ++k) {
    const DISPID id = named[k];
    const bool putValue =
        id == DISPID_PROPERTYPUT && (function.invkind & (INVOKE_PROPERTYPUT | INVOKE_PROPERTYPUTREF)) != 0;
    const bool parameter = id >= 0 && id < function.cParams &&
                           !(function.lprgelemdescParam[id].paramdesc.wParamFlags & kNotPassed);
    if ((!putValue && !parameter) || std::find(named, named + k, id) != named + k) {
      if (argError) *argError = k;
      return DISP_E_PARAMNOTFOUND;
    }
  }
  return S_OK;
}

// The type library's Invoke, which leaves puArgErr unset on a type mismatch in Wine: then the
// argument is found here.
HRESULT InvokeTyped(ITypeInfo* typeInfo, void* instance, DISPID dispid, WORD flags, DISPPARAMS* params,
                    VARIANT* result, EXCEPINFO* exception, UINT* argError, const FUNCDESC* function) {
  constexpr UINT kNotReported = static_cast<UINT>(-1);
  UINT reported = kNotReported;
  const HRESULT hr = typeInfo->Invoke(instance, dispid, flags, params, result, exception, &reported);
  if (!argError) return hr;
  if (reported != kNotReported) {
    *argError = reported;
  } else if (hr == DISP_E_TYPEMISMATCH) {
    const FuncDescFor lookedUp(typeInfo, function ? DISPID_UNKNOWN : dispid);
    const FUNCDESC* const described = function ? function : lookedUp.get();
    UINT index = 0;
    if (described && FindUncoercibleArgument(*described, *params, index)) *argError = index;
  }
  return hr;
}

}  // namespace

HRESULT InvokeFromTypeInfo(ITypeInfo* typeInfo, void* instance, DISPID dispid, WORD flags, DISPPARAMS* params,
                           VARIANT* result, EXCEPINFO* exception, UINT* argError) {
  if (!params) return E_INVALIDARG;
  // The type library reads both arrays without looking: a count without its array is refused
  // here rather than read through a null pointer.
  if ((params->cArgs != 0 && !params->rgvarg) || (params->cNamedArgs != 0 && !params->rgdispidNamedArgs) ||
      params->cNamedArgs > params->cArgs)
    return E_INVALIDARG;
  // Most callers pass typed, positional arguments: those go straight to the type library,
  // without the function-description lookup below.
  const VARIANTARG* const first = params->rgvarg;
  const VARIANTARG* const last = first ? first + params->cArgs : first;
  const bool anyVariantReference = std::any_of(first, last, [](const VARIANTARG& argument) {
    return argument.vt == (VT_BYREF | VT_VARIANT) && argument.pvarVal;
  });
  const bool lookUp = anyVariantReference || params->cNamedArgs != 0;
  const FuncDescFor function(typeInfo, lookUp ? dispid : DISPID_UNKNOWN);
  const FUNCDESC* const described = function.get();
  // A call that reaches no function is the type library's to answer (member not found).
  if (described && (described->invkind & flags)) {
    const HRESULT hr = CheckNamedArguments(*described, *params, argError);
    if (FAILED(hr)) return hr;
  }
  if (!described || !anyVariantReference)
    return InvokeTyped(typeInfo, instance, dispid, flags, params, result, exception, argError, described);

  // Arguments come last-first; named arguments name their parameter index.
  std::vector<VARIANTARG> arguments;
  std::unique_ptr<ConvertedVariable[]> converted;
  try {
    arguments.assign(first, last);
    converted = std::make_unique<ConvertedVariable[]>(params->cArgs);
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
  const UINT namedCount = params->cNamedArgs;
  for (UINT k = 0; k < params->cArgs; ++k) {
    VARIANTARG& argument = arguments[k];
    if (argument.vt != (VT_BYREF | VT_VARIANT) || !argument.pvarVal) continue;
    const LONG parameterIndex = k < namedCount ? params->rgdispidNamedArgs[k]
                                               : static_cast<LONG>(params->cArgs - 1 - k);
    if (parameterIndex < 0 || parameterIndex >= described->cParams) continue;
    const VARTYPE target = ByReferenceTarget(described->lprgelemdescParam[parameterIndex]);
    if (target == VT_EMPTY) continue;

    VARIANT* const inner = argument.pvarVal;
    if (inner->vt == target) {
      // Already of the parameter's type: the method writes the variable itself.
      argument.vt = VT_BYREF | target;
      if (target == VT_BSTR)
        argument.pbstrVal = &inner->bstrVal;
      else
        argument.plVal = &inner->lVal;
      continue;
    }
    if (FAILED(converted[k].Convert(inner, target))) {
      if (argError) *argError = k;
      return DISP_E_TYPEMISMATCH;
    }
    argument = converted[k].Reference();
  }
  DISPPARAMS unwrapped = *params;
  unwrapped.rgvarg = arguments.data();
  const HRESULT hr =
      InvokeTyped(typeInfo, instance, dispid, flags, &unwrapped, result, exception, argError, described);
  // Only a method that ran has written anything; what it wrote before failing stays written,
  // as it does for a caller passing its BSTR or long by reference directly.
  HRESULT writeBack = S_OK;
  for (UINT k = params->cArgs; k-- > 0;) {
    const HRESULT written = converted[k].WriteBackIfWritten(SUCCEEDED(hr));
    if (SUCCEEDED(writeBack)) writeBack = written;
  }
  return FAILED(hr) ? hr : writeBack;
}

}  // namespace duvisto
