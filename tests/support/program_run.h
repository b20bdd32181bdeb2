// Running a program with a bounded wait and its standard output and error caught, for the tests
// that drive the real programs (host.exe, regsvr32, Wine's uninstaller).
#pragma once

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "unique_any.h"

namespace test_support {

struct ProgramRun {
  int exitCode = -1;               // -1: it did not start, or did not end in time and was stopped
  std::vector<std::string> lines;  // standard output and error, UTF-8
};

inline ProgramRun RunProgram(std::wstring commandLine) {
  wchar_t folder[MAX_PATH], outputPath[MAX_PATH];
  GetTempPathW(MAX_PATH, folder);
  GetTempFileNameW(folder, L"e2e", 0, outputPath);
  ProgramRun run;
  {
    SECURITY_ATTRIBUTES inheritable{sizeof(inheritable), nullptr, TRUE};
    // Shared for reading and deleting: a program that uses the network makes Wine start service
    // processes that inherit its handles and outlive it, keeping this file open after the run.
    duvisto::UniqueFile output(CreateFileW(outputPath, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                           &inheritable, CREATE_ALWAYS, 0, nullptr));
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = startup.hStdError = output.get();
    PROCESS_INFORMATION process{};
    const bool started =
        CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process);
    if (!started) return run;
    duvisto::UniqueHandle processHandle(process.hProcess), threadHandle(process.hThread);
    DWORD code = 0;
    if (WaitForSingleObject(process.hProcess, 120000) == WAIT_OBJECT_0 && GetExitCodeProcess(process.hProcess, &code)) {
      run.exitCode = static_cast<int>(code);
    } else {
      TerminateProcess(process.hProcess, 99);
      WaitForSingleObject(process.hProcess, 5000);
    }
  }
  {
    std::ifstream output{std::filesystem::path(outputPath)};
    for (std::string line; std::getline(output, line); run.lines.push_back(line)) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
    }
  }
  DeleteFileW(outputPath);
  return run;
}

}  // namespace test_support
