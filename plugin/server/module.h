// One reference count for the whole DLL: live objects, class-factory locks and a loaded
// browser window each hold one, and DllCanUnloadNow answers from it.
#pragma once

#include <windows.h>

#include <string>

namespace duvisto {

void ModuleAddRef();
void ModuleRelease();
bool ModuleInUse();

// The DLL's own module handle (for its resources and its path).
HMODULE ModuleHandle();
// Its full path, however long; E_OUTOFMEMORY without memory for it.
HRESULT ModulePath(std::wstring& path) noexcept;

}  // namespace duvisto
