#include "process_start.h"

#include <vector>

#include "unique_any.h"

namespace installer {

using duvisto::UniqueHandle;

DWORD StartMinimised(const std::wstring& applicationPath, const std::wstring& commandLine) {
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_SHOWMINIMIZED;
  PROCESS_INFORMATION started{};
  std::vector<wchar_t> writableCommandLine(commandLine.begin(), commandLine.end());
  writableCommandLine.push_back(L'\0');
  if (!CreateProcessW(applicationPath.c_str(), writableCommandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      nullptr, &startup, &started)) {
    return GetLastError();
  }
  UniqueHandle process(started.hProcess);
  UniqueHandle thread(started.hThread);
  return ERROR_SUCCESS;
}

}  // namespace installer
