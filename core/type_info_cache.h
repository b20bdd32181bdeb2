// The vtable side of the module's dual interface, read from the type library in the module's own
// resources at the first late-bound call (a caller that binds early never pays for it), then
// shared by every object of the module, on any thread, until the module is idle and let go.
#pragma once

#include <oaidl.h>

namespace duvisto {

// Borrowed: valid while any object of the module lives. Every call asks for the same interface.
HRESULT ModuleTypeInfo(const IID& dualInterface, ITypeInfo** typeInfo);
// IDispatch::GetTypeInfo: a reference of the caller's own to type info 0.
HRESULT ModuleTypeInfoForCaller(const IID& dualInterface, UINT index, ITypeInfo** typeInfo);
// Only for DllCanUnloadNow, once no object is left to use it.
void ReleaseModuleTypeInfo();

}  // namespace duvisto
