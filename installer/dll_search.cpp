#include "dll_search.h"

#include <windows.h>

namespace installer {
namespace {

constexpr DWORD kSearchSystem32 = 0x00000800;  // LOAD_LIBRARY_SEARCH_SYSTEM32, in Windows 8's headers

}  // namespace

void LoadSystemDllsOnlyFromSystemFolder() {
  const HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
  if (!kernel) return;
  using SetDefaultDllDirectories = BOOL(WINAPI*)(DWORD);
  const auto setDefault =
      reinterpret_cast<SetDefaultDllDirectories>(GetProcAddress(kernel, "SetDefaultDllDirectories"));
  if (setDefault && setDefault(kSearchSystem32)) return;
  using SetDllDirectory = BOOL(WINAPI*)(LPCWSTR);
  if (const auto setDirectory = reinterpret_cast<SetDllDirectory>(GetProcAddress(kernel, "SetDllDirectoryW"))) {
    setDirectory(L"");
  }
}

}  // namespace installer
