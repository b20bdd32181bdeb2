// Invoke from the type library, for the dual interface _Browse.
#pragma once

#include <oaidl.h>

namespace duvisto {

// ITypeInfo::Invoke with these additions:
// - script engines such as VBScript pass a by-reference variable as VT_BYREF|VT_VARIANT, which
//   the type library's Invoke refuses for a BSTR* or long* parameter. A variable of the
//   parameter's type is passed as a reference to its value; any other is converted into a copy,
//   and the variable takes the converted type and the written value only if the method wrote
//   the copy. A call refused before the method runs leaves every variable exactly as it was;
// - a DISPPARAMS whose counts promise arrays it does not have is E_INVALIDARG;
// - a named argument that names no passable parameter, or one already named, is
//   DISP_E_PARAMNOTFOUND with *argError its index in rgvarg;
// - on DISP_E_TYPEMISMATCH *argError is the index in rgvarg of the argument that did not convert.
HRESULT InvokeFromTypeInfo(ITypeInfo* typeInfo, void* instance, DISPID dispid, WORD flags, DISPPARAMS* params,
                           VARIANT* result, EXCEPINFO* exception, UINT* argError);

}  // namespace duvisto
