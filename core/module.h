// One reference count for the whole module (a DLL, or the program that links this library):
// live objects, class-factory locks and a loaded browser window each hold one, and
// DllCanUnloadNow answers from it.
#pragma once

#include <windows.h>

#include <string>

namespace duvisto {

void ModuleAddRef();
void ModuleRelease();
bool ModuleInUse();

// One reference on the module for as long as its holder lives.
class ModuleReference {
 public:
  ModuleReference() { ModuleAddRef(); }
  ~ModuleReference() { ModuleRelease(); }
  ModuleReference(const ModuleReference&) = delete;
  ModuleReference& operator=(const ModuleReference&) = delete;
};

// The module that holds this code (for its resources and its path).
HMODULE ModuleHandle();
// Its full path, however long; E_OUTOFMEMORY without memory for it.
HRESULT ModulePath(std::wstring& path) noexcept;

}  // namespace duvisto
