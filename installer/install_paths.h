// Paths and command lines of the installation steps, built from plain texts.
#pragma once

#include <string>
#include <string_view>

namespace installer {

// Folder, one backslash, file: a folder that already ends in a backslash gives two in a row,
// passed on as they stand.
std::wstring JoinPath(std::wstring_view folder, std::wstring_view fileName);

// The folder of a program's full path, without a closing backslash except at the root of a
// drive: "C:\Setup\installer.exe" gives "C:\Setup", "C:\installer.exe" gives "C:\".
std::wstring FolderOfProgram(std::wstring_view programPath);

// The path as a command line of its own, quoted so that a blank cannot split it.
std::wstring CommandLineOfProgram(std::wstring_view programPath);

// regsvr32, one blank, the plug-in's path in quotation marks. No switch: the tool reports its result itself.
std::wstring RegistrationCommandLine(std::wstring_view pluginPath);

// The uninstaller's path in quotation marks, then the switch that makes it remove the plug-in:
// what Programs and Features runs.
std::wstring UninstallCommandLine(std::wstring_view uninstallerPath);

}  // namespace installer

namespace installer {

// Whether two texts name the same file as the system reads them: letter case aside, a slash
// read as a backslash, backslashes in a row read as one (but the two of a \\server\share path),
// and the system's prefixes \??\ and \\?\ taken off. Short (8.3) names and links are not resolved.
bool SameFilePath(std::wstring_view a, std::wstring_view b);

}  // namespace installer
