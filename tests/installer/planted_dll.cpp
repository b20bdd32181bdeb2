// A DLL planted where the installer must not load it from: loaded, it appends "loaded" to
// "<its own path>.marker" and does nothing else, so a test sees whether anything loaded it.
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID) {
  if (reason != DLL_PROCESS_ATTACH) return TRUE;
  wchar_t path[MAX_PATH + 8] = L"";
  const DWORD length = GetModuleFileNameW(self, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return TRUE;
  lstrcatW(path, L".marker");
  const HANDLE marker = CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
  if (marker == INVALID_HANDLE_VALUE) return TRUE;
  DWORD written = 0;
  WriteFile(marker, "loaded\n", 7, &written, nullptr);
  CloseHandle(marker);
  return TRUE;
}
