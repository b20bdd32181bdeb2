// Stand-in for a program the installer starts (the host's reset program, or a planted
// impostor): it appends one line to "<its own name>.marker" beside itself, telling how it was
// started: "<show state>|<command line>" in UTF-8, the show state being -1 when none was given.
#include <windows.h>

#include <string>

#include "unique_any.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  wchar_t path[MAX_PATH] = L"";
  const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return 1;
  std::wstring marker(path);
  marker.replace(marker.rfind(L'.'), std::wstring::npos, L".marker");

  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  GetStartupInfoW(&startup);
  const int showState = (startup.dwFlags & STARTF_USESHOWWINDOW) ? startup.wShowWindow : -1;

  const std::wstring line = std::to_wstring(showState) + L"|" + GetCommandLineW() + L"\n";
  std::string utf8(WideCharToMultiByte(CP_UTF8, 0, line.c_str(), -1, nullptr, 0, nullptr, nullptr), '\0');
  WideCharToMultiByte(CP_UTF8, 0, line.c_str(), -1, utf8.data(), static_cast<int>(utf8.size()), nullptr, nullptr);
  utf8.pop_back();  // the terminating zero

  // Appended, and shared as fopen's "ab" shares it, in case two starts overlap.
  const duvisto::UniqueFile out(CreateFileW(marker.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                            nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!out) return 1;
  DWORD written = 0;
  const bool whole = WriteFile(out.get(), utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr) &&
                     written == utf8.size();
  return whole ? 0 : 1;
}
