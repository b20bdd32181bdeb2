// The folder of the test program, and registry keys replaced for one test and put back afterwards.
#pragma once

#include <windows.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "program_run.h"
#include "unique_any.h"

namespace e2e {

using UniqueKey = duvisto::UniqueRegistryKey;

inline std::wstring BesideTestProgram(const wchar_t* fileName) {
  wchar_t self[MAX_PATH];
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  const std::wstring path = self;
  return path.substr(0, path.find_last_of(L"\\/") + 1) + fileName;
}

using test_support::ProgramRun;
using test_support::RunProgram;

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
