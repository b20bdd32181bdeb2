// Registry helpers of the removal that Windows XP lacks or that the scripting shell's path form
// does not reach: a key's subkeys, a key's text values, a key deleted with everything under it.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace installer {

// The text of a value (nullptr: the key's default value), REG_SZ or REG_EXPAND_SZ as stored;
// nothing when the key or the value is missing or holds no text.
std::optional<std::wstring> RegistryText(HKEY root, const std::wstring& key, const wchar_t* name);

// The names of a key's subkeys. A missing key has none.
DWORD SubkeyNames(HKEY root, const std::wstring& key, std::vector<std::wstring>& names);

// Deletes root\key and everything under it (core's DeleteKeyTree, by path). A key that is not
// there is no failure.
DWORD DeleteKeyTree(HKEY root, const std::wstring& key);

}  // namespace installer
