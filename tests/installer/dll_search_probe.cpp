// Where msimg32.dll comes from for a program that follows the installer's DLL search rule
// (`--rule`) or not: it loads the DLL by its name and prints the path it was loaded from.
#include <windows.h>

#include <cstdio>
#include <cwchar>

#include "dll_search.h"

int wmain(int argc, wchar_t** argv) {
  if (argc > 1 && std::wcscmp(argv[1], L"--rule") == 0) installer::LoadSystemDllsOnlyFromSystemFolder();
  const HMODULE library = LoadLibraryW(L"msimg32.dll");
  wchar_t path[MAX_PATH] = L"";
  if (!library || !GetModuleFileNameW(library, path, MAX_PATH)) return 1;
  std::printf("%ls\n", path);
  return 0;
}
