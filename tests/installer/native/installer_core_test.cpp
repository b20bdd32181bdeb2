// The installer's window-free rules: joining paths, the installer's folder, registry roots,
// which build numbers pass, and what its command line asks for.
#include <gtest/gtest.h>

#include "build_number.h"
#include "command_line.h"
#include "install_date.h"
#include "install_paths.h"
#include "registry_path.h"

namespace installer {
namespace {

TEST(InstallPaths, JoinedAsTheyStandAndTheProgramsFolder) {
  EXPECT_EQ(JoinPath(L"C:\\Plugins", L"Duvisto.dll"), L"C:\\Plugins\\Duvisto.dll");
  EXPECT_EQ(JoinPath(L"C:\\Plugins\\", L"Duvisto.dll"), L"C:\\Plugins\\\\Duvisto.dll");
  EXPECT_EQ(FolderOfProgram(L"C:\\Program Files\\Setup\\installer.exe"), L"C:\\Program Files\\Setup");
  EXPECT_EQ(FolderOfProgram(L"C:\\installer.exe"), L"C:\\");
  EXPECT_EQ(FolderOfProgram(L"\\\\server\\share\\installer.exe"), L"\\\\server\\share");
}

TEST(InstallPaths, TheRecordedUninstallCommandQuotesTheProgram) {
  EXPECT_EQ(UninstallCommandLine(L"C:\\Program Files\\Plus\\Plugins\\Duvisto-uninstall.exe"),
            L"\"C:\\Program Files\\Plus\\Plugins\\Duvisto-uninstall.exe\" /uninstall");
}

TEST(CommandLine, NothingInstallsTheSwitchUninstallsAnythingElseIsUnknown) {
  for (const wchar_t* arguments : {L"", L"  ", L"\t"}) EXPECT_EQ(ParseArguments(arguments).mode, InstallerMode::Install);
  for (const wchar_t* arguments : {L"/uninstall", L" /UnInstall\t", L"\"/uninstall\""}) {
    EXPECT_EQ(ParseArguments(arguments).mode, InstallerMode::Uninstall) << arguments;
  }
  const std::pair<const wchar_t*, const wchar_t*> unknown[] = {
      {L"/remove", L"/remove"},         {L" /uninstall now ", L"/uninstall now"},
      {L"uninstall", L"uninstall"},     {L"-uninstall", L"-uninstall"},
      {L"/uninstal", L"/uninstal"},     {L"\"\"", L"\"\""},
      {L"/uninstall\"", L"/uninstall\""}, {L"/uninstall /uninstall", L"/uninstall /uninstall"}};
  for (const auto& [arguments, shown] : unknown) {
    const InstallerRequest request = ParseArguments(arguments);
    EXPECT_EQ(request.mode, InstallerMode::Unknown) << arguments;
    EXPECT_EQ(request.unknown, shown);
  }
}

// The uninstaller's copy is there only to remove: started without options (double-clicked), it
// offers the removal; any name of the installer itself installs.
TEST(CommandLine, TheUninstallersCopyWithoutOptionsRemoves) {
  const wchar_t copy[] = L"C:\\Program Files\\Duvisto\\Duvisto-uninstall.exe";
  EXPECT_EQ(RequestOf(copy, L"").mode, InstallerMode::Uninstall);
  EXPECT_EQ(RequestOf(L"duvisto-UNINSTALL.EXE", L" ").mode, InstallerMode::Uninstall);
  EXPECT_EQ(RequestOf(copy, L"/uninstall").mode, InstallerMode::Uninstall);
  EXPECT_EQ(RequestOf(copy, L"/remove").mode, InstallerMode::Unknown);
  for (const wchar_t* program : {L"C:\\Downloads\\installer.exe", L"C:\\Downloads\\Duvisto-uninstall.exe.exe",
                                 L"C:\\Duvisto-uninstall.exe\\installer.exe", L""}) {
    EXPECT_EQ(RequestOf(program, L"").mode, InstallerMode::Install) << program;
  }
}

TEST(InstallDate, FourDigitsOfTheYearThenTwoOfTheMonthAndTheDay) {
  EXPECT_EQ(InstallDateText(2026, 12, 8), L"20261208");
  EXPECT_EQ(InstallDateText(2009, 1, 31), L"20090131");
}

TEST(RegistryPaths, RootsSpelledOutOrShortInAnyCase) {
  const std::pair<const wchar_t*, std::optional<RegistryRoot>> roots[] = {
      {L"HKEY_CLASSES_ROOT", RegistryRoot::ClassesRoot}, {L"hkcr", RegistryRoot::ClassesRoot},
      {L"HKEY_CURRENT_USER", RegistryRoot::CurrentUser}, {L"HKCU", RegistryRoot::CurrentUser},
      {L"HKEY_LOCAL_MACHINE", RegistryRoot::LocalMachine}, {L"HKLM", RegistryRoot::LocalMachine},
      {L"HKEY_USERS", RegistryRoot::Users}, {L"HKEY_CURRENT_CONFIG", RegistryRoot::CurrentConfig},
      {L"HKU", std::nullopt}, {L"HKEY_NOWHERE", std::nullopt}, {L"", std::nullopt}};
  for (const auto& [name, root] : roots) EXPECT_EQ(RegistryRootNamed(name), root);
}

TEST(BuildNumbers, TextReadsAsANumberAndOnlyTriedBuildsPass) {
  for (const wchar_t* text : {L"2053", L" \t2053 ", L"02053", L"+2053", L"2053.0", L"2053."}) {
    EXPECT_EQ(ReadAsNumber(text), 2053.0);
  }
  EXPECT_EQ(ReadAsNumber(L"-2053.5"), -2053.5);
  for (const wchar_t* text : {L"", L"  ", L"abc", L"20 53", L"2053a", L"0x805", L".", L"+", L"2,053"}) {
    EXPECT_FALSE(ReadAsNumber(text));
  }
  for (double tried : {2046.0, 2050.0, 2051.0, 2052.0, 2053.0}) EXPECT_TRUE(IsTestedBuild(tried));
  for (double untried : {2045.0, 2047.0, 2048.0, 2049.0, 2054.0, 2053.5, -2053.0}) EXPECT_FALSE(IsTestedBuild(untried));
}

}  // namespace
}  // namespace installer
