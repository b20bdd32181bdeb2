// Stand-in for a program the installer starts (the host's reset program, or a planted
// impostor): it appends one line to "<its own name>.marker" beside itself, telling how it was
// started: "<show state>|<command line>" in UTF-8, the show state being -1 when none was given.
#include <windows.h>

#include <cstdio>
#include <memory>
#include <string>

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

  std::unique_ptr<FILE, int (*)(FILE*)> out(_wfopen(marker.c_str(), L"ab"), &fclose);
  return out && fwrite(utf8.data(), 1, utf8.size(), out.get()) == utf8.size() ? 0 : 1;
}
