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

// Keeps the DLL mapped, by a reference of the loader's own, from the time a window is loaded or
// a box is shown until DllCanUnloadNow finds the DLL idle: a host may free the library from a
// message the window's or the box's loop dispatches, and the loop must still have code to
// return to.
HRESULT ModuleKeepMapped();
// Drops that reference; only for DllCanUnloadNow, whose caller still holds the library.
void ModuleStopKeepingMapped();

// The module that holds this code (for its resources and its path).
HMODULE ModuleHandle();
// Its full path, however long; E_OUTOFMEMORY without memory for it.
HRESULT ModulePath(std::wstring& path) noexcept;

}  // namespace duvisto
