// What the installer asks the system: the reason for an error code, its own path, the system folder.
#pragma once

#include <windows.h>

#include <string>

namespace installer {

// The system's own words for an error code, without the closing line break.
std::wstring SystemReason(DWORD errorCode);

// The full path of the running program and the system folder, as the system reports them.
std::wstring RunningProgramPath();
std::wstring SystemFolder();

}  // namespace installer
