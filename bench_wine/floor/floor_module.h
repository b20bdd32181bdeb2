// The floor DLL's one reference count (live objects and server locks), which DllCanUnloadNow
// answers from, its own module handle, where its type library lies, and where its objects live.
#pragma once

#include <windows.h>

#include <cstddef>
#include <new>

namespace browse_floor {

void ModuleAddRef();
void ModuleRelease();
bool ModuleInUse();
HMODULE ModuleHandle();

// The floor's objects live on the process heap, not through the C++ runtime's operator new,
// which would link in the runtime's exception machinery and make the floor the bigger DLL.
struct OnProcessHeap {
  static void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    return HeapAlloc(GetProcessHeap(), 0, size);
  }
  static void operator delete(void* memory, const std::nothrow_t&) noexcept { HeapFree(GetProcessHeap(), 0, memory); }
  static void operator delete(void* memory) noexcept { HeapFree(GetProcessHeap(), 0, memory); }
};

}  // namespace browse_floor
