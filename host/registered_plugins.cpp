#include "registered_plugins.h"

#include <windows.h>

#include "unique_any.h"

namespace host {

std::vector<RegisteredPlugin> ReadRegisteredPlugins() {
  std::vector<RegisteredPlugin> plugins;
  duvisto::UniqueRegistryKey key;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kRegisteredPluginsKey, 0, KEY_READ, key.put()) != ERROR_SUCCESS) {
    return plugins;
  }

  DWORD longestName = 0;
  DWORD longestData = 0;
  if (RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &longestName,
                       &longestData, nullptr, nullptr) != ERROR_SUCCESS) {
    return plugins;
  }
  for (DWORD index = 0;; ++index) {
    std::wstring name(longestName + 1, L'\0');
    std::wstring data(longestData / sizeof(wchar_t) + 1, L'\0');
    DWORD nameLength = static_cast<DWORD>(name.size());
    DWORD dataBytes = static_cast<DWORD>(data.size() * sizeof(wchar_t));
    DWORD type = 0;
    LONG status = RegEnumValueW(key.get(), index, name.data(), &nameLength, nullptr, &type,
                                reinterpret_cast<BYTE*>(data.data()), &dataBytes);
    if (status == ERROR_NO_MORE_ITEMS) break;
    if (status != ERROR_SUCCESS || type != REG_SZ) continue;
    name.resize(nameLength);
    data.resize(dataBytes / sizeof(wchar_t));
    while (!data.empty() && data.back() == L'\0') data.pop_back();
    plugins.push_back({std::move(name), std::move(data)});
  }
  return plugins;
}

}  // namespace host
