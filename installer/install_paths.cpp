#include "install_paths.h"

#include "command_line.h"

namespace installer {

std::wstring JoinPath(std::wstring_view folder, std::wstring_view fileName) {
  std::wstring path(folder);
  path += L'\\';
  path += fileName;
  return path;
}

std::wstring FolderOfProgram(std::wstring_view programPath) {
  const size_t lastSeparator = programPath.find_last_of(L"\\/");
  if (lastSeparator == std::wstring_view::npos) return {};
  std::wstring folder(programPath.substr(0, lastSeparator));
  if (folder.size() == 2 && folder[1] == L':') folder += L'\\';
  return folder;
}

std::wstring CommandLineOfProgram(std::wstring_view programPath) {
  return L"\"" + std::wstring(programPath) + L"\"";
}

std::wstring RegistrationCommandLine(std::wstring_view pluginPath) {
  return L"regsvr32 \"" + std::wstring(pluginPath) + L"\"";
}

std::wstring UninstallCommandLine(std::wstring_view uninstallerPath) {
  return CommandLineOfProgram(uninstallerPath) + L" " + kUninstallSwitch;
}

}  // namespace installer
