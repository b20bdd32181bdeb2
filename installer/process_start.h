// Starting the reset program and the registration tool: minimised, without waiting for them.
#pragma once

#include <windows.h>

#include <string>

namespace installer {

// Starts the program at `applicationPath` with `commandLine`, its window minimised
// (SW_SHOWMINIMIZED), and returns at once. The application is named in full, so a blank in
// its folder cannot make the system try a truncated path such as C:\Program.exe, and no
// program lying beside the installer can answer in its place.
// Returns ERROR_SUCCESS or the system's error code.
DWORD StartMinimised(const std::wstring& applicationPath, const std::wstring& commandLine);

}  // namespace installer
