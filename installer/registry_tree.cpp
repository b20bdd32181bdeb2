#include "registry_tree.h"

#include <cwchar>

#include "key_tree.h"
#include "unique_any.h"

namespace installer {

using duvisto::UniqueRegistryKey;

std::optional<std::wstring> RegistryText(HKEY root, const std::wstring& key, const wchar_t* name) {
  UniqueRegistryKey opened;
  if (RegOpenKeyExW(root, key.c_str(), 0, KEY_QUERY_VALUE, opened.put()) != ERROR_SUCCESS) return std::nullopt;
  DWORD type = REG_NONE, size = 0;
  if (RegQueryValueExW(opened.get(), name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return std::nullopt;
  if (type != REG_SZ && type != REG_EXPAND_SZ) return std::nullopt;
  std::wstring text(size / sizeof(wchar_t) + 1, L'\0');
  size = static_cast<DWORD>(text.size() * sizeof(wchar_t));
  if (RegQueryValueExW(opened.get(), name, nullptr, &type, reinterpret_cast<BYTE*>(text.data()), &size) !=
      ERROR_SUCCESS) {
    return std::nullopt;
  }
  text.resize(std::wcslen(text.c_str()));
  return text;
}

DWORD SubkeyNames(HKEY root, const std::wstring& key, std::vector<std::wstring>& names) {
  names.clear();
  UniqueRegistryKey opened;
  LSTATUS status = RegOpenKeyExW(root, key.c_str(), 0, KEY_ENUMERATE_SUB_KEYS, opened.put());
  if (status == ERROR_FILE_NOT_FOUND) return ERROR_SUCCESS;
  if (status != ERROR_SUCCESS) return static_cast<DWORD>(status);
  wchar_t name[256];  // the longest key name the registry allows is 255 characters
  for (DWORD index = 0;; ++index) {
    DWORD length = ARRAYSIZE(name);
    status = RegEnumKeyExW(opened.get(), index, name, &length, nullptr, nullptr, nullptr, nullptr);
    if (status == ERROR_NO_MORE_ITEMS) return ERROR_SUCCESS;
    if (status != ERROR_SUCCESS) return static_cast<DWORD>(status);
    names.emplace_back(name, length);
  }
}

DWORD DeleteKeyTree(HKEY root, const std::wstring& key) {
  return static_cast<DWORD>(duvisto::DeleteKeyTree(root, key.c_str()));
}

}  // namespace installer
