// Where the host, Messenger Plus!, keeps what the installer reads and writes.
#pragma once

namespace installer {

inline constexpr wchar_t kHostKeyPath[] = L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Vendaro\\MsgPlus2\\";
inline constexpr wchar_t kRegisteredPluginsPath[] =
    L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Vendaro\\MsgPlus2\\RegisteredPlugins\\";

}  // namespace installer
