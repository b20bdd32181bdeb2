// The installer's window-free rules: joining paths, the installer's folder, command lines,
// registry paths in the scripting shell's form, and which build numbers pass.
#include <gtest/gtest.h>

#include "build_number.h"
#include "install_paths.h"
#include "registry_path.h"

namespace installer {
namespace {

TEST(InstallPaths, JoinWithExactlyOneBackslashWhateverTheFolderEndsWith) {
  EXPECT_EQ(JoinPath(L"C:\\Plugins", L"Duvisto.dll"), L"C:\\Plugins\\Duvisto.dll");
  EXPECT_EQ(JoinPath(L"C:\\Plugins\\", L"Duvisto.dll"), L"C:\\Plugins\\\\Duvisto.dll");
  EXPECT_EQ(JoinPath(L"C:\\", L"msgplusreset.exe"), L"C:\\\\msgplusreset.exe");
}

TEST(InstallPaths, FolderOfTheProgramEndsInABackslashOnlyAtADriveRoot) {
  EXPECT_EQ(FolderOfProgram(L"C:\\Setup\\installer.exe"), L"C:\\Setup");
  EXPECT_EQ(FolderOfProgram(L"C:\\Program Files\\Setup\\installer.exe"), L"C:\\Program Files\\Setup");
  EXPECT_EQ(FolderOfProgram(L"C:\\installer.exe"), L"C:\\");
  EXPECT_EQ(FolderOfProgram(L"\\\\server\\share\\installer.exe"), L"\\\\server\\share");
}

TEST(InstallPaths, CommandLinesQuoteThePaths) {
  EXPECT_EQ(CommandLineOfProgram(L"C:\\Program Files\\Setup\\msgplusreset.exe"),
            L"\"C:\\Program Files\\Setup\\msgplusreset.exe\"");
  EXPECT_EQ(RegistrationCommandLine(L"C:\\Program Files\\Host\\Plugins\\Duvisto.dll"),
            L"regsvr32 \"C:\\Program Files\\Host\\Plugins\\Duvisto.dll\"");
  EXPECT_EQ(RegistrationCommandLine(JoinPath(L"C:\\Plugins\\", L"Duvisto.dll")),
            L"regsvr32 \"C:\\Plugins\\\\Duvisto.dll\"");
}

TEST(RegistryPaths, ValueOrKeyUnderAnyRootSpelling) {
  const auto value = ParseRegistryPath(L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Vendaro\\MsgPlus2\\PluginDir");
  ASSERT_TRUE(value);
  EXPECT_EQ(value->root, RegistryRoot::LocalMachine);
  EXPECT_EQ(value->subKey, L"SOFTWARE\\Vendaro\\MsgPlus2");
  EXPECT_EQ(value->valueName, L"PluginDir");
  EXPECT_FALSE(value->namesKey);

  const auto key = ParseRegistryPath(L"hkcu\\Software\\Duvisto\\");
  ASSERT_TRUE(key);
  EXPECT_EQ(key->root, RegistryRoot::CurrentUser);
  EXPECT_EQ(key->subKey, L"Software\\Duvisto");
  EXPECT_EQ(key->valueName, L"");
  EXPECT_TRUE(key->namesKey);

  const auto directlyUnderRoot = ParseRegistryPath(L"HKCR\\Name");
  ASSERT_TRUE(directlyUnderRoot);
  EXPECT_EQ(directlyUnderRoot->subKey, L"");
  EXPECT_EQ(directlyUnderRoot->valueName, L"Name");

  EXPECT_EQ(RegistryRootNamed(L"HKEY_CLASSES_ROOT"), RegistryRoot::ClassesRoot);
  EXPECT_EQ(RegistryRootNamed(L"HKEY_USERS"), RegistryRoot::Users);
  EXPECT_EQ(RegistryRootNamed(L"HKEY_CURRENT_CONFIG"), RegistryRoot::CurrentConfig);
  EXPECT_EQ(RegistryRootNamed(L"HKLM"), RegistryRoot::LocalMachine);
  for (const wchar_t* bad : {L"", L"HKLM", L"HKEY_NOWHERE\\X", L"HKU\\X", L"\\SOFTWARE\\X"}) {
    EXPECT_FALSE(ParseRegistryPath(bad));
  }
}

TEST(BuildNumbers, TextReadsAsANumberWithBlanksSignAndFraction) {
  EXPECT_EQ(ReadAsNumber(L"2053"), 2053.0);
  EXPECT_EQ(ReadAsNumber(L" \t2053 "), 2053.0);
  EXPECT_EQ(ReadAsNumber(L"02053"), 2053.0);
  EXPECT_EQ(ReadAsNumber(L"+2053"), 2053.0);
  EXPECT_EQ(ReadAsNumber(L"-2053"), -2053.0);
  EXPECT_EQ(ReadAsNumber(L"2053.0"), 2053.0);
  EXPECT_EQ(ReadAsNumber(L"2053."), 2053.0);
  EXPECT_EQ(ReadAsNumber(L"2053.5"), 2053.5);
  for (const wchar_t* notANumber : {L"", L"  ", L"abc", L"20 53", L"2053a", L"0x805", L".", L"+", L"2,053"}) {
    EXPECT_FALSE(ReadAsNumber(notANumber));
  }
}

TEST(BuildNumbers, OnlyTheTriedBuildsPass) {
  for (double tried : {2046.0, 2050.0, 2051.0, 2052.0, 2053.0}) EXPECT_TRUE(IsTestedBuild(tried));
  for (double untried : {2045.0, 2047.0, 2048.0, 2049.0, 2054.0, 2053.5, -2053.0, 0.0}) {
    EXPECT_FALSE(IsTestedBuild(untried));
  }
}

}  // namespace
}  // namespace installer
