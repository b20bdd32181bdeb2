// Under Wine, through the real binaries: removal whatever happened to the machine since the
// installation (the host gone or changed, the plug-in file gone, damaged or another's), an
// installation over a copy that is busy for a moment, a user without administrator rights,
// and a DLL planted under a system DLL's name beside a program that follows the installer's rule.
#include <thread>

#include "program_run.h"
#include "removal_session.h"

namespace installer_test {
namespace {

constexpr wchar_t kOtherClass[] = L"CLSID\\{0B7D3E52-6C3E-4C39-9C55-6E1B1D2F8A11}";
constexpr wchar_t kOtherInterface[] = L"Interface\\{0B7D3E53-6C3E-4C39-9C55-6E1B1D2F8A11}";

// Another product's COM class, for another file, which no removal of Duvisto may touch.
void RegisterOtherProduct(const fs::path& file) {
  const std::wstring server = file.wstring();
  RegSetKeyValueW(HKEY_CLASSES_ROOT, (kOtherClass + std::wstring(L"\\InprocServer32")).c_str(), nullptr, REG_SZ,
                  server.c_str(), DWORD((server.size() + 1) * 2));
  const std::wstring clsid = std::wstring(kOtherClass).substr(6);
  RegSetKeyValueW(HKEY_CLASSES_ROOT, L"Other.Plugin\\CLSID", nullptr, REG_SZ, clsid.c_str(),
                  DWORD((clsid.size() + 1) * 2));
  const wchar_t library[] = L"{0B7D3E54-6C3E-4C39-9C55-6E1B1D2F8A11}";
  RegSetKeyValueW(HKEY_CLASSES_ROOT, (kOtherInterface + std::wstring(L"\\TypeLib")).c_str(), nullptr, REG_SZ,
                  library, sizeof library);
}

class RemovalCasesTest : public UninstallTest {
 protected:
  void TearDown() override {
    RegDeleteTreeW(HKEY_CLASSES_ROOT, kOtherClass);
    RegDeleteTreeW(HKEY_CLASSES_ROOT, kOtherInterface);
    RegDeleteTreeW(HKEY_CLASSES_ROOT, L"Other.Plugin");
    std::error_code ignored;
    for (const wchar_t* file : {L"C:\\msgplusreset.exe", L"C:\\msgplusreset.marker"}) fs::remove(file, ignored);
    UninstallTest::TearDown();
  }
  // Runs the recorded command line, as Programs and Features does, confirms, and returns the outcome.
  std::wstring RemoveAsProgramsAndFeaturesDoes(LPCWSTR icon = IDI_INFORMATION) {
    InstallerRun run(EntryText(L"UninstallString").value_or(L"missing"), scratch_);
    const std::wstring outcome = Uninstall(run, icon);
    EXPECT_EQ(run.ExitCode(), 0u);
    return outcome;
  }
};

// The usual order is the host first: its registry key deleted, its plug-in folder left. Or the
// host was upgraded, its build is no number, its plug-in folder has moved. Removal asks
// nothing about the host, goes by its record, and starts no reset program of a host that is
// gone (none from the drive's root either, where a folder of no host would lead).
TEST_F(RemovalCasesTest, HostUninstalledOrChangedSinceInstallingEverythingOfDuvistoGoes) {
  const struct {
    const char* name;
    std::function<void()> change;
    bool hostListThere;
    int resetStarts;  // by the removal, from the host's folder
  } cases[] = {
      {"host uninstalled", [] { RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Vendaro"); }, false, 0},
      {"host upgraded", [] { SetHost(L"SoftwareBuild", L"2060"); }, true, 1},
      {"build not a number", [] { SetHost(L"SoftwareBuild", L"2053b"); }, true, 1},
      {"plug-in folder moved", [this] { SetHost(L"PluginDir", (scratch_ / L"Plugins elsewhere").wstring()); }, true, 1},
  };
  const fs::path hostFolder = scratch_ / L"Messenger Plus! 2";
  Plant(L"C:\\msgplusreset.exe");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    SeedHost();
    SetHost(L"BinDir", hostFolder.wstring());
    fs::remove(hostFolder / L"msgplusreset.marker");
    if (!fs::exists(hostFolder / L"msgplusreset.exe")) Plant(hostFolder / L"msgplusreset.exe");
    RegSetKeyValueW(HKEY_LOCAL_MACHINE, kOtherPlugins, L"Other", REG_SZ, L"Other.Plugin", sizeof L"Other.Plugin");
    Install();
    c.change();
    EXPECT_EQ(RemoveAsProgramsAndFeaturesDoes(), kRemoved);
    ExpectNothingOfDuvistoLeft(c.hostListThere);
    EXPECT_TRUE(robot::WaitUntil(
        [&] { return int(MarkerLines(hostFolder, L"msgplusreset").size()) == c.resetStarts; }, 5s));
    EXPECT_EQ(int(MarkerLines(hostFolder, L"msgplusreset").size()), c.resetStarts);
    EXPECT_TRUE(MarkerLines(L"C:\\", L"msgplusreset").empty());
    RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, L"SYSTEM\\CurrentControlSet\\Control\\Session Manager",
                       L"PendingFileRenameOperations");
  }
}

// The plug-in file deleted by hand or quarantined, or replaced by one that is not ours (damaged,
// or planted in a folder standard users can write): its COM keys go all the same, from the
// registry alone; the file is never loaded. Another product's class for another file stays.
TEST_F(RemovalCasesTest, PluginFileGoneOrNotOursTheRegistrationGoesWithoutLoadingIt) {
  const fs::path plugin = plugins_ / L"Duvisto.dll";
  for (const bool deleted : {true, false}) {
    SCOPED_TRACE(deleted ? "deleted" : "replaced by a DLL that is not ours");
    Install();
    RegisterOtherProduct(plugins_ / L"Other.dll");
    fs::remove(plugin);
    if (!deleted) fs::copy_file(bin_ / L"planted.dll", plugin);
    EXPECT_EQ(RemoveAsProgramsAndFeaturesDoes(), kRemoved);
    ExpectNothingOfDuvistoLeft();
    EXPECT_FALSE(fs::exists(plugins_ / L"Duvisto.dll.marker")) << "the uninstaller loaded the plug-in file";
    EXPECT_EQ(RegText(HKEY_CLASSES_ROOT, kOtherClass + std::wstring(L"\\InprocServer32"), nullptr),
              (plugins_ / L"Other.dll").wstring());
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, L"Other.Plugin"));
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, kOtherInterface));
  }
}

// An installation by an earlier version recorded nothing and kept its uninstaller beside the
// plug-in: removal finds the files through the host's values, as before, and leaves the
// host's plug-in folder in place.
TEST_F(RemovalCasesTest, InstallationWithoutARecordIsRemovedThroughTheHostsValues) {
  Install();
  const fs::path oldUninstaller = plugins_ / L"Duvisto-uninstall.exe";
  fs::copy_file(uninstaller_, oldUninstaller);
  fs::remove_all(UninstallerFolder());
  RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, kUninstallKey, L"PluginFile");
  RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, kUninstallKey, L"UninstallerFile");
  const std::wstring commandLine = L"\"" + oldUninstaller.wstring() + L"\" /uninstall";
  RegSetKeyValueW(HKEY_LOCAL_MACHINE, kUninstallKey, L"UninstallString", REG_SZ, commandLine.c_str(),
                  DWORD((commandLine.size() + 1) * 2));
  EXPECT_EQ(RemoveAsProgramsAndFeaturesDoes(), kRemoved);
  EXPECT_FALSE(Announced());
  for (const wchar_t* key : kComKeys) EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, key)) << fs::path(key).string();
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
  EXPECT_FALSE(fs::exists(plugins_ / L"Duvisto.dll"));
  EXPECT_FALSE(fs::exists(oldUninstaller));  // renamed in the plug-in folder, deleted at the restart
  EXPECT_TRUE(fs::exists(plugins_ / L"Other.dll"));
  const auto pending = DeletedAtRestart();
  ASSERT_EQ(pending.size(), 1u);
  EXPECT_EQ(pending.begin()->parent_path(), plugins_);

  // Without the host and without a record there is nothing to go by.
  Install();
  RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, kUninstallKey, L"PluginFile");
  RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Vendaro");
  InstallerRun run(setup_ / L"installer.exe", L" /uninstall");
  EXPECT_EQ(run.Answer(IDYES), kConfirm);
  EXPECT_EQ(run.Answer(IDOK), L"Messenger Plus! isn't installed!");
  EXPECT_EQ(run.ExitCode(), 0u);
  EXPECT_TRUE(fs::exists(plugins_ / L"Duvisto.dll"));
}

// Duvisto's ProgID now leads to another file, an installation of someone else's elsewhere: its
// class, library and interface stay; the rest of this installation goes.
TEST_F(RemovalCasesTest, RegistrationOfAnotherFileUnderOurProgIdStays) {
  Install();
  const std::wstring elsewhere = L"D:\\Elsewhere\\Duvisto.dll";
  RegSetKeyValueW(HKEY_CLASSES_ROOT, (kClassKey + std::wstring(L"\\InprocServer32")).c_str(), nullptr, REG_SZ,
                  elsewhere.c_str(), DWORD((elsewhere.size() + 1) * 2));
  EXPECT_EQ(RemoveAsProgramsAndFeaturesDoes(), kRemoved);
  for (const wchar_t* key : kComKeys) EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, key)) << fs::path(key).string();
  EXPECT_EQ(RegisteredServer(), elsewhere);
  EXPECT_FALSE(fs::exists(plugins_ / L"Duvisto.dll"));
  EXPECT_FALSE(Announced());
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));

  // The class is ours again, but the type library names the other file: the class goes, the
  // library and its interface stay.
  const fs::path plugin = plugins_ / L"Duvisto.dll";
  Install();
  const std::wstring library = L"TypeLib\\{AE4D4ECD-7414-4BEE-B3D3-8B93F6FC387C}\\1.0\\0\\win32";
  RegSetKeyValueW(HKEY_CLASSES_ROOT, library.c_str(), nullptr, REG_SZ, elsewhere.c_str(),
                  DWORD((elsewhere.size() + 1) * 2));
  EXPECT_EQ(RemoveAsProgramsAndFeaturesDoes(), kRemoved);
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kClassKey));
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, L"Duvisto.Browse"));
  EXPECT_EQ(RegText(HKEY_CLASSES_ROOT, library, nullptr), elsewhere);
  EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, kComKeys[3]));
  EXPECT_FALSE(fs::exists(plugin));
}

// The host still closing after the reset program's start holds the plug-in for a moment: the
// copy waits and succeeds. (A read-only target, which Wine run as root would write anyway, is
// the file steps' native test.)
TEST_F(RemovalCasesTest, CopyOverAPluginBusyForAMomentSucceeds) {
  Install();
  const fs::path plugin = plugins_ / L"Duvisto.dll";
  { std::ofstream(plugin, std::ios::app) << "an older build"; }
  duvisto::UniqueFile held(CreateFileW(plugin.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(held);
  InstallerRun run(setup_ / L"installer.exe");
  run.ConfirmInstall();
  // Held through the copy's first tries, then let go: the scenario's moment, not a wait.
  std::this_thread::sleep_for(1500ms);
  held.reset();
  ASSERT_TRUE(robot::WaitUntil([&] { return Contents(plugin) == Contents(setup_ / L"Duvisto.dll"); }, 10s));
  ASSERT_TRUE(robot::WaitUntil([] { return EntryNumber(L"EstimatedSize").has_value(); }, 10s));
  ASSERT_TRUE(RegistrationToolEnded());
  EXPECT_FALSE(run.NextBox(500ms)) << "a failure was reported";
  run.Press(L"No");
  EXPECT_EQ(run.ExitCode(), 0u);
}

// The current token without the Administrators group (deny-only), as a limited user of XP or
// an unelevated administrator has it.
duvisto::UniqueHandle TokenWithoutAdministrators() {
  duvisto::UniqueHandle own;
  HANDLE restricted = nullptr;
  SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
  PSID administrators = nullptr;
  if (OpenProcessToken(GetCurrentProcess(), TOKEN_ALL_ACCESS, own.put()) &&
      AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0,
                               &administrators)) {
    SID_AND_ATTRIBUTES disabled{administrators, 0};
    CreateRestrictedToken(own.get(), 0, 1, &disabled, 0, nullptr, 0, nullptr, &restricted);
  }
  if (administrators) FreeSid(administrators);
  return duvisto::UniqueHandle(restricted);
}

// Without administrator rights the installer and the uninstaller say so in one box, before
// anything else, and change nothing: no window, no reset program, nothing removed.
TEST_F(RemovalCasesTest, WithoutAdministratorRightsOneBoxAndNothingChanged) {
  const duvisto::UniqueHandle token = TokenWithoutAdministrators();
  ASSERT_TRUE(token);
  const std::wstring refusal =
      L"Installing or removing the Duvisto plug-in needs administrator rights.\n\nStart it again as an administrator "
      L"(right-click it, Run as administrator). Nothing has been changed.";
  {
    InstallerRun run(L"\"" + (setup_ / L"installer.exe").wstring() + L"\"", scratch_, token.get());
    EXPECT_EQ(run.Answer(IDOK), refusal);
    EXPECT_EQ(run.ExitCode(), DWORD(ERROR_ACCESS_DENIED));
    EXPECT_EQ(ResetStarts(), 0);
    EXPECT_FALSE(fs::exists(plugins_ / L"Duvisto.dll"));
  }
  Install();
  const std::wstring lines[] = {*EntryText(L"UninstallString"),
                                L"\"" + (setup_ / L"installer.exe").wstring() + L"\" /uninstall"};
  for (const std::wstring& commandLine : lines) {
    InstallerRun run(commandLine, scratch_, token.get());
    EXPECT_EQ(run.Answer(IDOK), refusal);
    EXPECT_EQ(run.ExitCode(), DWORD(ERROR_ACCESS_DENIED));
  }
  EXPECT_EQ(ResetStarts(), 1);
  EXPECT_TRUE(RegisteredServer() && Announced() && fs::exists(uninstaller_) && EntryText(L"UninstallString") &&
              fs::exists(plugins_ / L"Duvisto.dll"));
}

// A DLL planted beside a program under the name of a system DLL the program loads at run time
// is loaded from there, unless the program follows the installer's rule, which the installer
// and its uninstaller apply first thing: then the system's own comes from the system folder.
// (Wine takes its own builtin DLL first wherever a native one lies; the run's override, set in
// CMakeLists.txt, makes it search the folders as Windows does.)
TEST_F(RemovalCasesTest, DllPlantedBesideAProgramIsNotLoadedUnderTheInstallersRule) {
  wchar_t overrides[1024] = L"";
  GetEnvironmentVariableW(L"WINEDLLOVERRIDES", overrides, 1024);
  ASSERT_NE(std::wstring(overrides).find(L"msimg32=n,b"), std::wstring::npos) << "run it through ctest";
  const fs::path folder = scratch_ / L"Downloads";
  fs::create_directories(folder);
  fs::copy_file(bin_ / L"dll_search_probe.exe", folder / L"probe.exe");
  fs::copy_file(bin_ / L"planted.dll", folder / L"msimg32.dll");
  const fs::path marker = folder / L"msimg32.dll.marker";
  const std::wstring probe = L"\"" + (folder / L"probe.exe").wstring() + L"\"";

  const auto withRule = test_support::RunProgram(probe + L" --rule");
  EXPECT_EQ(withRule.exitCode, 0);
  ASSERT_EQ(withRule.lines.size(), 1u);
  EXPECT_EQ(fs::path(withRule.lines[0]).parent_path(), fs::path(L"C:\\windows\\system32"));
  EXPECT_FALSE(fs::exists(marker));

  const auto without = test_support::RunProgram(probe);  // the plant is live
  ASSERT_EQ(without.lines.size(), 1u);
  EXPECT_EQ(fs::path(without.lines[0]), folder / L"msimg32.dll");
  EXPECT_TRUE(fs::exists(marker));
}

}  // namespace
}  // namespace installer_test
