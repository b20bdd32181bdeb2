// The host's list of plug-ins: under HKEY_LOCAL_MACHINE\SOFTWARE\Vendaro\MsgPlus2\RegisteredPlugins
// each plug-in has a string value named after it whose data is its ProgID.
#pragma once

#include <string>
#include <vector>

namespace host {

inline constexpr wchar_t kRegisteredPluginsKey[] = L"SOFTWARE\\Vendaro\\MsgPlus2\\RegisteredPlugins";

struct RegisteredPlugin {
  std::wstring name;
  std::wstring progId;
};

// The registered plug-ins in the order the registry lists them. A missing key reads as an empty
// list; values that are not strings are no plug-ins and are skipped.
std::vector<RegisteredPlugin> ReadRegisteredPlugins();

}  // namespace host
