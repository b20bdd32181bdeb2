// The scripting shell's form of a registry path, taken apart without touching the registry:
// "HKEY_LOCAL_MACHINE\SOFTWARE\Vendaro\MsgPlus2\PluginDir" names the value PluginDir in the key
// SOFTWARE\Vendaro\MsgPlus2 of the root HKEY_LOCAL_MACHINE; a path ending in a backslash names a key.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace installer {

enum class RegistryRoot { ClassesRoot, CurrentUser, LocalMachine, Users, CurrentConfig };

struct RegistryPath {
  RegistryRoot root = RegistryRoot::LocalMachine;
  std::wstring subKey;     // the keys below the root joined by backslashes; empty for the root itself
  std::wstring valueName;  // empty when the path names a key (its default value)
  bool namesKey = false;   // the path ended in a backslash
};

// The root spelled out (HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER, HKEY_CLASSES_ROOT, HKEY_USERS,
// HKEY_CURRENT_CONFIG) or short (HKLM, HKCU, HKCR), in any letter case.
std::optional<RegistryRoot> RegistryRootNamed(std::wstring_view name);

// Nothing for a path without a known root or without a backslash after the root.
std::optional<RegistryPath> ParseRegistryPath(std::wstring_view path);

}  // namespace installer
