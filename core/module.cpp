#include "module.h"

#include <atomic>
#include <new>

namespace duvisto {
namespace {
std::atomic<long> g_moduleReferences{0};
std::atomic<HMODULE> g_keptMapped{nullptr};
}

void ModuleAddRef() { ++g_moduleReferences; }
void ModuleRelease() { --g_moduleReferences; }
bool ModuleInUse() { return g_moduleReferences.load() != 0; }

HRESULT ModuleKeepMapped() {
  if (g_keptMapped.load() != nullptr) return S_OK;
  HMODULE module = nullptr;
  if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCWSTR>(&ModuleKeepMapped),
                          &module)) {
    return HRESULT_FROM_WIN32(GetLastError());
  }
  // Two threads loading their windows at once: one reference is enough.
  if (HMODULE other = g_keptMapped.exchange(module)) FreeLibrary(other);
  return S_OK;
}

void ModuleStopKeepingMapped() {
  if (HMODULE module = g_keptMapped.exchange(nullptr)) FreeLibrary(module);
}

HMODULE ModuleHandle() {
  // The module that holds this code: the DLL in production, the test program when linked into one.
  HMODULE module = nullptr;
  GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCWSTR>(&ModuleHandle), &module);
  return module;
}

HRESULT ModulePath(std::wstring& path) noexcept {
  try {
    path.assign(MAX_PATH, L'\0');
    for (;;) {
      const DWORD length = GetModuleFileNameW(ModuleHandle(), path.data(), static_cast<DWORD>(path.size()));
      if (length == 0) return HRESULT_FROM_WIN32(GetLastError());
      if (length < path.size()) {
        path.resize(length);
        return S_OK;
      }
      path.resize(path.size() * 2);
    }
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
}

}  // namespace duvisto
