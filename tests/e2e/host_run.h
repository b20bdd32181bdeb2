// Running a program beside the test program with a bounded wait and its output caught, and
// registry keys replaced for one test and put back afterwards.
#pragma once

#include <windows.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "unique_any.h"

namespace e2e {

using duvisto::UniqueFile;
using duvisto::UniqueHandle;
using UniqueKey = duvisto::UniqueRegistryKey;

inline std::wstring BesideTestProgram(const wchar_t* fileName) {
  wchar_t self[MAX_PATH];
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  const std::wstring path = self;
  return path.substr(0, path.find_last_of(L"\\/") + 1) + fileName;
}

struct ProgramRun {
  int exitCode = -1;  // -1: it did not start, or did not end in time and was stopped
  std::vector<std::string> lines;  // standard output and error, UTF-8
};

inline ProgramRun RunProgram(std::wstring commandLine) {
  wchar_t folder[MAX_PATH], outputPath[MAX_PATH];
  GetTempPathW(MAX_PATH, folder);
  GetTempFileNameW(folder, L"e2e", 0, outputPath);
  ProgramRun run;
  {
    SECURITY_ATTRIBUTES inheritable{sizeof(inheritable), nullptr, TRUE};
    UniqueFile output(CreateFileW(outputPath, GENERIC_WRITE, 0, &inheritable, CREATE_ALWAYS, 0, nullptr));
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = startup.hStdError = output.get();
    PROCESS_INFORMATION process{};
    const bool started = CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                                        &startup, &process);
    if (!started) return run;
    UniqueHandle processHandle(process.hProcess), threadHandle(process.hThread);
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

inline UniqueKey CreateKey(HKEY root, const std::wstring& path) {
  HKEY key = nullptr;
  RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
  return UniqueKey(key);
}

using RegValues = std::vector<std::pair<std::wstring, std::wstring>>;  // name ("" = default), text

// A key of HKEY_LOCAL_MACHINE; its whole tree waits under HKEY_CURRENT_USER until the test ends.
class RegistryValues {
 public:
  explicit RegistryValues(std::wstring path) : path_(std::move(path)), backup_(L"Software\\DuvistoE2E " + path_) {
    std::replace(backup_.begin() + 9, backup_.end(), L'\\', L'/');  // one key, right under Software
    RegDeleteTreeW(HKEY_CURRENT_USER, backup_.c_str());
    HKEY raw = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path_.c_str(), 0, KEY_READ, &raw) != ERROR_SUCCESS) return;
    UniqueKey key(raw);
    saved_ = RegCopyTreeW(key.get(), nullptr, CreateKey(HKEY_CURRENT_USER, backup_).get()) == ERROR_SUCCESS;
  }
  ~RegistryValues() {
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, path_.c_str());
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, path_.c_str());
    if (saved_) {
      RegCopyTreeW(CreateKey(HKEY_CURRENT_USER, backup_).get(), nullptr, CreateKey(HKEY_LOCAL_MACHINE, path_).get());
    }
    RegDeleteTreeW(HKEY_CURRENT_USER, backup_.c_str());
  }
  RegistryValues(const RegistryValues&) = delete;
  RegistryValues& operator=(const RegistryValues&) = delete;

  // Leaves exactly these string values in the key, and no subkey.
  bool Set(const RegValues& values) {
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, path_.c_str());
    UniqueKey key = CreateKey(HKEY_LOCAL_MACHINE, path_);
    bool written = static_cast<bool>(key);
    for (const auto& [name, text] : values) {
      written = written && !RegSetValueExW(key.get(), name.empty() ? nullptr : name.c_str(), 0, REG_SZ,
                                           reinterpret_cast<const BYTE*>(text.c_str()),
                                           (text.size() + 1) * sizeof(wchar_t));
    }
    return written;
  }

 private:
  std::wstring path_;
  std::wstring backup_;
  bool saved_ = false;  // false: the key did not exist
};

}  // namespace e2e
