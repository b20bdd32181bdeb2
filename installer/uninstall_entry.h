// The installation as Programs and Features knows it: the copy of the installer that removes the
// plug-in again, and the entry that names it, in the key every Windows lists installed programs from.
#pragma once

#include <windows.h>

#include <string>

namespace installer {

// The uninstaller's file name in the host's plug-in folder, beside the plug-in.
inline constexpr wchar_t kUninstallerFile[] = L"Duvisto-uninstall.exe";
// Under HKEY_LOCAL_MACHINE. A 32-bit program on 64-bit Windows writes it into the 32-bit view
// (WOW6432Node), which Programs and Features lists as well.
inline constexpr wchar_t kUninstallKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Duvisto";
// The same key in the registry routines' form; the closing backslash makes it name the key.
inline constexpr wchar_t kUninstallKeyPath[] =
    L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Duvisto\\";

struct UninstallEntry {
  std::wstring installLocation;  // the host's plug-in folder
  std::wstring uninstaller;      // the copy of the installer there
  DWORD estimatedSizeKb = 0;     // what the installation takes on disk
};

// Creates the entry or overwrites its values (a second installation updates, never duplicates).
// Returns ERROR_SUCCESS or the first error of the registry.
DWORD WriteUninstallEntry(const UninstallEntry& entry);

// The size of a file in KiB, rounded up; 0 when it cannot be read.
DWORD FileSizeKb(const std::wstring& path);

}  // namespace installer
