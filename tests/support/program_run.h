// Running a program with a bounded wait and its standard output and error caught, for the tests
// that drive the real programs (host.exe, regsvr32, Wine's uninstaller).
#pragma once

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "ui_robot.h"
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
    const robot::StartedProgram program = robot::StartProgram(std::move(commandLine), nullptr, output.get());
    if (!program) return run;
    if (const auto code = robot::WaitForExit(program.process.get(), std::chrono::minutes(2)))
      run.exitCode = static_cast<int>(*code);
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
