#include <utility>

#include "ui_robot.h"

namespace robot {

StartedProgram StartProgram(std::wstring commandLine, const wchar_t* folder, HANDLE output, HANDLE token) {
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  if (output != nullptr) {
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = startup.hStdError = output;
  }
  PROCESS_INFORMATION started{};
  const BOOL inherit = output != nullptr;
  const BOOL created = token != nullptr ? CreateProcessAsUserW(token, nullptr, commandLine.data(), nullptr, nullptr,
                                                               inherit, 0, nullptr, folder, &startup, &started)
                                        : CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, inherit, 0,
                                                         nullptr, folder, &startup, &started);
  if (!created) return {};
  CloseHandle(started.hThread);
  return {duvisto::UniqueHandle(started.hProcess), started.dwProcessId};
}

std::optional<DWORD> WaitForExit(HANDLE process, std::chrono::milliseconds timeout) {
  DWORD code = 0;
  if (WaitForSingleObject(process, static_cast<DWORD>(timeout.count())) == WAIT_OBJECT_0 &&
      GetExitCodeProcess(process, &code))
    return code;
  TerminateProcess(process, 1);
  WaitForSingleObject(process, 5000);
  return std::nullopt;
}

}  // namespace robot
