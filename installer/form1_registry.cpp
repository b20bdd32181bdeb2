// ReadKey, CreateKey and DeleteKey over the system's registry functions rather than the
// scripting shell object: the Script Host can be disabled by policy, and the installer would then
// tell a user with a working host that it isn't installed; and Wine has no RegDelete.
// A 32-bit installer on 64-bit Windows sees the 32-bit view of HKLM\SOFTWARE, as the host does.
#include <cstdint>
#include <cstring>
#include <cwchar>
#include <optional>
#include <vector>

#include "form1.h"
#include "registry_path.h"

namespace installer {

using duvisto::UniqueRegistryKey;
namespace {

HKEY RootKey(RegistryRoot root) {
  switch (root) {
    case RegistryRoot::ClassesRoot: return HKEY_CLASSES_ROOT;
    case RegistryRoot::CurrentUser: return HKEY_CURRENT_USER;
    case RegistryRoot::LocalMachine: return HKEY_LOCAL_MACHINE;
    case RegistryRoot::Users: return HKEY_USERS;
    case RegistryRoot::CurrentConfig: return HKEY_CURRENT_CONFIG;
  }
  return nullptr;
}

UniqueRegistryKey OpenKey(const RegistryPath& path, REGSAM access) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(RootKey(path.root), path.subKey.c_str(), 0, access, &key) != ERROR_SUCCESS) return nullptr;
  return UniqueRegistryKey(key);
}

struct RegistryData {
  DWORD type = REG_NONE;
  std::vector<BYTE> bytes;
};

std::optional<RegistryData> QueryValue(HKEY key, const std::wstring& name) {
  RegistryData data;
  DWORD size = 0;
  LSTATUS status = RegQueryValueExW(key, name.c_str(), nullptr, &data.type, nullptr, &size);
  // The value may grow between asking for its size and reading it: try again a few times.
  for (int attempt = 0; attempt < 4 && status == ERROR_SUCCESS; ++attempt) {
    data.bytes.resize(size);
    status = RegQueryValueExW(key, name.c_str(), nullptr, &data.type, data.bytes.data(), &size);
    if (status == ERROR_SUCCESS) {
      data.bytes.resize(size);
      return data;
    }
    if (status == ERROR_MORE_DATA) status = ERROR_SUCCESS;
  }
  return std::nullopt;
}

// Stored text up to its first terminating zero, if it has one.
std::wstring StoredText(const std::vector<BYTE>& bytes) {
  std::wstring text(bytes.size() / sizeof(wchar_t), L'\0');
  if (!text.empty()) std::memcpy(text.data(), bytes.data(), text.size() * sizeof(wchar_t));
  text.resize(std::wcslen(text.c_str()));
  return text;
}

std::wstring ExpandedText(const std::wstring& text) {
  const DWORD length = ExpandEnvironmentStringsW(text.c_str(), nullptr, 0);
  if (length == 0) return {};
  std::wstring expanded(length, L'\0');
  if (ExpandEnvironmentStringsW(text.c_str(), expanded.data(), length) == 0) return {};
  expanded.resize(std::wcslen(expanded.c_str()));
  return expanded;
}

// The data as one text, as the scripting shell gives it: strings as stored (expandable ones
// expanded), a DWORD as the decimal digits of a signed 32-bit number (the shell hands it back as
// VT_I4, so 0xFFFFFFFF reads as "-1"); a list of texts, binary data and anything else as nothing.
std::wstring TextOf(const RegistryData& data) {
  switch (data.type) {
    case REG_SZ: return StoredText(data.bytes);
    case REG_EXPAND_SZ: return ExpandedText(StoredText(data.bytes));
    case REG_DWORD: {
      if (data.bytes.size() != sizeof(std::uint32_t)) return {};
      std::uint32_t number = 0;
      std::memcpy(&number, data.bytes.data(), sizeof number);
      return std::to_wstring(static_cast<std::int32_t>(number));
    }
    default: return {};
  }
}

}  // namespace

std::wstring Form1::ReadKey(const std::wstring& Value) const {
  const auto path = ParseRegistryPath(Value);
  if (!path) return {};
  const UniqueRegistryKey key = OpenKey(*path, KEY_QUERY_VALUE);
  if (!key) return {};
  const auto data = QueryValue(key.get(), path->valueName);
  return data ? TextOf(*data) : std::wstring();
}

void Form1::CreateKey(const std::wstring& Folder, const std::wstring& Value) const {
  const auto path = ParseRegistryPath(Folder);
  if (!path) return;
  HKEY created = nullptr;
  if (RegCreateKeyExW(RootKey(path->root), path->subKey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE,
                      nullptr, &created, nullptr) != ERROR_SUCCESS) {
    return;
  }
  const UniqueRegistryKey key(created);
  RegSetValueExW(key.get(), path->valueName.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(Value.c_str()),
                 static_cast<DWORD>((Value.size() + 1) * sizeof(wchar_t)));
}

void Form1::DeleteKey(const std::wstring& Value) const {
  const auto path = ParseRegistryPath(Value);
  if (!path) return;
  if (path->namesKey) {
    // A root key is never deleted.
    if (!path->subKey.empty()) RegDeleteKeyW(RootKey(path->root), path->subKey.c_str());
    return;
  }
  const UniqueRegistryKey key = OpenKey(*path, KEY_SET_VALUE);
  if (key) RegDeleteValueW(key.get(), path->valueName.c_str());
}

bool Form1::EntryExists(const std::wstring& Path) const {
  const auto path = ParseRegistryPath(Path);
  if (!path) return false;
  const UniqueRegistryKey key = OpenKey(*path, KEY_QUERY_VALUE);
  if (!key) return false;
  return path->namesKey || RegQueryValueExW(key.get(), path->valueName.c_str(), nullptr, nullptr, nullptr, nullptr) ==
                               ERROR_SUCCESS;
}

}  // namespace installer
