// What installer.exe was asked to do by its command line: install (no arguments), or remove
// the plug-in (/uninstall, as Programs and Features starts the copy the installation left).
#pragma once

#include <string>
#include <string_view>

namespace installer {

inline constexpr wchar_t kUninstallSwitch[] = L"/uninstall";
// The name of the installer's copy that an installation leaves to remove it again.
inline constexpr wchar_t kUninstallerFile[] = L"Duvisto-uninstall.exe";

enum class InstallerMode { Install, Uninstall, Unknown };

struct InstallerRequest {
  InstallerMode mode = InstallerMode::Install;
  std::wstring unknown;  // the arguments as given, when they ask for nothing the installer knows
};

// The arguments after the program's name. Blanks and tabs separate them; a pair of quotation
// marks around one is taken off. The switch is compared without regard to letter case, as Windows
// programs do; anything else, or anything more, is unknown.
InstallerRequest ParseArguments(std::wstring_view arguments);

// What the program at `programPath` is asked by its arguments: as ParseArguments, but the
// uninstaller's copy started without options (double-clicked, say) offers the removal, since
// it is there only to remove.
InstallerRequest RequestOf(std::wstring_view programPath, std::wstring_view arguments);

}  // namespace installer
