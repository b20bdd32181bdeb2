#include "install_paths.h"

#include "command_line.h"

namespace installer {
namespace {

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

// Upper case for the letters the comparison folds: ASCII and Latin-1.
wchar_t Folded(wchar_t c) {
  if ((c >= L'a' && c <= L'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7)) return wchar_t(c - 0x20);
  return c;
}

std::wstring Canonical(std::wstring_view path) {
  for (std::wstring_view prefix : {std::wstring_view(L"\\??\\"), std::wstring_view(L"\\\\?\\")}) {
    if (path.substr(0, prefix.size()) == prefix) path.remove_prefix(prefix.size());
  }
  std::wstring canonical;
  size_t at = 0;
  if (path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1])) {  // \\server\share
    canonical = L"\\\\";
    at = 2;
  }
  for (; at < path.size(); ++at) {
    if (IsSeparator(path[at])) {
      if (canonical.empty() || canonical.back() != L'\\') canonical += L'\\';
    } else {
      canonical += Folded(path[at]);
    }
  }
  return canonical;
}

}  // namespace

bool SameFilePath(std::wstring_view a, std::wstring_view b) { return Canonical(a) == Canonical(b); }

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
