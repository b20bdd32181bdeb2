// Running host.exe on a scenario and reading its transcript; the registry settings the runs
// depend on, each restored when the test ends.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace e2e {

struct HostRun {
  int exitCode = -1;                // -1: it did not end in time and was stopped
  std::vector<std::string> lines;   // standard output and error together, UTF-8
  std::string Text() const;
};

// Runs host.exe (beside the test program) with `arguments` and a bounded wait.
HostRun RunHost(const std::vector<std::wstring>& arguments);
// The Windows path of a scenario file of this folder.
std::wstring Scenario(const wchar_t* fileName);
// A scenario run unattended with a short pause.
HostRun RunScenario(const wchar_t* fileName);

// The first line at or after `from` that contains `text`; lines.size() when there is none.
size_t FindLine(const HostRun& run, std::string_view text, size_t from = 0);
int CountLines(const HostRun& run, std::string_view text);
// Each text appears on a later line than the one before it.
::testing::AssertionResult InOrder(const HostRun& run, std::initializer_list<std::string_view> texts);

// The system's regsvr32 with `arguments`; its exit code, or -1 if it did not finish in time.
int RunRegsvr32(const std::wstring& arguments);
std::wstring BesideTestProgram(const wchar_t* fileName);

// The string values of one registry key, replaced for a test and put back afterwards.
class RegistryValues {
 public:
  RegistryValues(HKEY root, std::wstring path);
  ~RegistryValues();
  RegistryValues(const RegistryValues&) = delete;
  RegistryValues& operator=(const RegistryValues&) = delete;
  // Leaves exactly these values in the key (an empty name is the default value).
  bool Set(const std::vector<std::pair<std::wstring, std::wstring>>& values);

 private:
  HKEY root_;
  std::wstring path_;
  bool existed_ = false;
  std::vector<std::pair<std::wstring, std::wstring>> saved_;
};

}  // namespace e2e
