// What the installer asks the system: the reason for an error code, its own path, the system and
// Program Files folders, today's date.
#pragma once

#include <windows.h>

#include <string>

namespace installer {

// The system's own words for an error code, without the closing line break.
std::wstring SystemReason(DWORD errorCode);
// What failed, the path it concerned and the system's reason, as the installer's failure boxes say it.
std::wstring FailureReport(const std::wstring& what, const std::wstring& path, DWORD errorCode);

// The full path of the running program and the system folder, as the system reports them.
std::wstring RunningProgramPath();
std::wstring SystemFolder();
// The Program Files folder (on 64-bit Windows, for this 32-bit program, Program Files (x86));
// empty when the system cannot tell.
std::wstring ProgramFilesFolder();

// Today, in the local time, as yyyymmdd.
std::wstring TodayAsInstallDate();

}  // namespace installer
