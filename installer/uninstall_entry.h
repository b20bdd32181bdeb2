// The installation as Programs and Features knows it: the copy of the installer that removes the
// plug-in again, and the entry that names it, in the key every Windows lists installed programs
// from. The entry is also the installation's record: it names every file the removal takes away,
// so that the removal needs nothing of the host, which may be gone or changed by then.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "command_line.h"

namespace installer {

// Under HKEY_LOCAL_MACHINE. A 32-bit program on 64-bit Windows writes it into the 32-bit view
// (WOW6432Node), which Programs and Features lists as well.
inline constexpr wchar_t kUninstallKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Duvisto";
// The same key in the registry routines' form; the closing backslash makes it name the key.
inline constexpr wchar_t kUninstallKeyPath[] =
    L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Duvisto\\";
// The uninstaller's folder of its own under Program Files, which only administrators can write.
inline constexpr wchar_t kUninstallerFolderName[] = L"Duvisto";

// What the removal takes away.
struct RemovalRecord {
  std::wstring pluginFile;   // Duvisto.dll in the host's plug-in folder
  std::wstring uninstaller;  // the installer's copy in its folder of its own
};

struct UninstallEntry {
  std::wstring installLocation;  // the host's plug-in folder
  RemovalRecord record;
  DWORD estimatedSizeKb = 0;  // what the installation takes on disk
  std::wstring installDate;   // yyyymmdd
};

// Creates the entry or overwrites its values (a second installation updates, never duplicates).
// Returns ERROR_SUCCESS or the first error of the registry.
DWORD WriteUninstallEntry(const UninstallEntry& entry);

// The record of the installation, when it has one: an installation by an earlier version of the
// installer has none.
std::optional<RemovalRecord> ReadRemovalRecord();

// The size of a file in KiB, rounded up; 0 when it cannot be read.
DWORD FileSizeKb(const std::wstring& path);

}  // namespace installer
