// Removing the plug-in under Wine: the record an installation leaves for Programs and Features,
// and installer.exe /uninstall (or the recorded command line) taking everything back, with the
// windows driven by the robot.
#include <algorithm>
#include <set>

#include "installer_session.h"
#include "program_run.h"
#include "system_queries.h"

namespace installer_test {
namespace {

constexpr wchar_t kConfirm[] = L"Are you sure you want to uninstall this plugin?";
constexpr wchar_t kRemoved[] = L"The Duvisto plug-in has been removed.";
constexpr wchar_t kNothing[] = L"The Duvisto plug-in is not installed: there is nothing to remove.";
constexpr wchar_t kInUse[] = L"\n\nDuvisto.dll is still in use, by Messenger Plus! perhaps. ";
constexpr DWORD kRestartNeeded = ERROR_SUCCESS_REBOOT_REQUIRED;

// The files Windows is to delete at its next start (PendingFileRenameOperations pairs whose
// target is empty), as plain paths.
std::set<fs::path> DeletedAtRestart() {
  std::vector<wchar_t> data(64 * 1024);
  DWORD size = DWORD(data.size() * sizeof(wchar_t));
  std::set<fs::path> files;
  if (RegGetValueW(HKEY_LOCAL_MACHINE, L"SYSTEM\\CurrentControlSet\\Control\\Session Manager",
                   L"PendingFileRenameOperations", RRF_RT_REG_MULTI_SZ, nullptr, data.data(), &size)) {
    return files;
  }
  for (const wchar_t* at = data.data(); *at;) {
    const std::wstring source = at;
    at += source.size() + 1;
    const std::wstring target = at;
    at += target.size() + 1;
    if (target.empty()) files.insert(source.substr(source.rfind(L"\\??\\", 0) == 0 ? 4 : 0));
  }
  return files;
}

std::vector<std::wstring> FileNames(const fs::path& folder) {
  std::vector<std::wstring> names;
  for (const auto& file : fs::directory_iterator(folder)) names.push_back(file.path().filename().wstring());
  std::sort(names.begin(), names.end());
  return names;
}

class UninstallTest : public InstallerTest {
 protected:
  void SetUp() override {
    InstallerTest::SetUp();
    FillSetup();
    SeedHost();
    // Another plug-in of the same host, which no removal of ours may touch.
    { std::ofstream(plugins_ / L"Other.dll") << "another plug-in"; }
    RegSetKeyValueW(HKEY_LOCAL_MACHINE, kOtherPlugins, L"Other", REG_SZ, L"Other.Plugin", sizeof L"Other.Plugin");
  }

  // Installs through the window as a user does, and ends the installer.
  void Install() {
    InstallerRun run(setup_ / L"installer.exe");
    run.ConfirmInstall();
    ASSERT_TRUE(robot::WaitUntil([] { return RegisteredServer() && EntryNumber(L"EstimatedSize"); }, 20s));
    ASSERT_TRUE(RegistrationToolEnded());
    run.Press(L"No");
    ASSERT_EQ(run.ExitCode(), 0u);
  }
  // Confirms a removal with Yes and returns the text of the box that follows, which it answers.
  std::wstring Uninstall(InstallerRun& run, LPCWSTR icon = IDI_INFORMATION) {
    EXPECT_EQ(run.Answer(IDYES), kConfirm);
    return run.Answer(IDOK, kBoxTitle, icon);
  }
  int ResetStarts() { return int(MarkerLines(setup_, L"msgplusreset").size()); }

  void ExpectNothingOfDuvistoLeft() {
    EXPECT_EQ(FileNames(plugins_), std::vector<std::wstring>{L"Other.dll"});
    EXPECT_FALSE(Announced());
    for (const wchar_t* key : kComKeys) EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, key)) << fs::path(key).string();
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
    EXPECT_EQ(Contents(plugins_ / L"Other.dll"), "another plug-in");
    EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, kOtherPlugins, L"Other"), L"Other.Plugin");
  }

  static constexpr wchar_t kOtherPlugins[] = L"SOFTWARE\\Vendaro\\MsgPlus2\\RegisteredPlugins";
  const fs::path uninstaller_ = plugins_ / L"Duvisto-uninstall.exe";
};

TEST_F(UninstallTest, InstallingRecordsItForProgramsAndFeaturesOnceAndUpToDate) {
  Install();
  const std::wstring commandLine = L"\"" + uninstaller_.wstring() + L"\" /uninstall";
  EXPECT_EQ(EntryText(L"UninstallString"), commandLine);
  EXPECT_EQ(EntryText(L"DisplayIcon"), uninstaller_.wstring());
  EXPECT_EQ(EntryText(L"InstallLocation"), plugins_.wstring());
  EXPECT_EQ(EntryText(L"DisplayVersion"), L"1.0.0");
  EXPECT_EQ(EntryText(L"Publisher"), L"morvane12");
  EXPECT_EQ(EntryNumber(L"NoModify"), 1u);
  EXPECT_EQ(EntryNumber(L"NoRepair"), 1u);
  const auto kb = [](const fs::path& file) { return DWORD((fs::file_size(file) + 1023) / 1024); };
  EXPECT_EQ(EntryNumber(L"EstimatedSize"), kb(setup_ / L"Duvisto.dll") + kb(setup_ / L"installer.exe"));
  EXPECT_EQ(Contents(uninstaller_), Contents(setup_ / L"installer.exe"));

  // Wine's own Programs and Features lists it, once, also after a second installation over the first.
  const auto listed = [] {
    const auto list = test_support::RunProgram(L"uninstaller.exe --list");
    EXPECT_EQ(list.exitCode, 0);
    return std::count_if(list.lines.begin(), list.lines.end(), [](const std::string& line) {
      return line.find("Duvisto plug-in for Messenger Plus!") != std::string::npos;
    });
  };
  EXPECT_EQ(listed(), 1);
  { std::ofstream(uninstaller_) << "an older uninstaller"; }
  SetHost(L"PluginDir", plugins_.wstring() + L"\\");
  Install();
  EXPECT_EQ(listed(), 1);
  EXPECT_EQ(EntryText(L"InstallLocation"), plugins_.wstring() + L"\\");
  EXPECT_EQ(Contents(uninstaller_), Contents(setup_ / L"installer.exe"));
}

TEST_F(UninstallTest, RecordThatCannotBeWrittenIsReportedAfterTheOtherSteps) {
  fs::create_directories(uninstaller_);  // a folder where the uninstaller should go
  InstallerRun run(setup_ / L"installer.exe");
  run.ConfirmInstall();
  const std::wstring report = run.Answer(IDOK);
  EXPECT_EQ(report.rfind(L"The uninstaller could not be copied:\n" + (setup_ / L"installer.exe").wstring() + L"\nto\n" +
                             uninstaller_.wstring() + L"\n\n",
                         0),
            0u)
      << fs::path(report).string();
  EXPECT_EQ(run.ExitCode(), 1u);
  EXPECT_TRUE(Announced());
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
}

// What Programs and Features does: run the recorded command line, which starts the uninstaller
// from the plug-in folder. It takes away everything of Duvisto, itself included, even when every
// file was installed read-only, from a CD; it starts the host's reset program from the host's
// folder. A second removal finds nothing and changes nothing.
TEST_F(UninstallTest, RecordedUninstallerTakesEverythingBackAndASecondRunFindsNothing) {
  const fs::path hostFolder = scratch_ / L"Messenger Plus! 2";
  SetHost(L"BinDir", hostFolder.wstring());
  Plant(hostFolder / L"msgplusreset.exe");
  for (const auto& file : fs::directory_iterator(setup_)) {
    fs::permissions(file.path(), fs::perms::owner_write, fs::perm_options::remove);
  }
  Install();
  ASSERT_EQ(ResetStarts(), 1);

  InstallerRun run(*EntryText(L"UninstallString"), scratch_);
  EXPECT_EQ(Uninstall(run), kRemoved);
  EXPECT_EQ(run.ExitCode(), 0u);
  ExpectNothingOfDuvistoLeft();
  EXPECT_TRUE(robot::WaitUntil([&] { return MarkerLines(hostFolder, L"msgplusreset").size() == 1; }));
  EXPECT_EQ(ResetStarts(), 1);
  // The running uninstaller could only be moved out of the way; Windows deletes it at its next start.
  const auto pending = DeletedAtRestart();
  ASSERT_EQ(pending.size(), 1u);
  EXPECT_EQ(pending.begin()->parent_path(), fs::temp_directory_path().parent_path());
  EXPECT_EQ(Contents(*pending.begin()), Contents(setup_ / L"installer.exe"));

  for (const bool withHost : {true, false}) {
    if (!withHost) RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, kHostKey, L"FileNameExe");
    InstallerRun again(setup_ / L"installer.exe", L" /uninstall");
    EXPECT_EQ(again.Answer(IDYES), kConfirm);
    EXPECT_EQ(again.Answer(IDOK, kBoxTitle, withHost ? IDI_INFORMATION : IDI_HAND),
              withHost
                  ? kNothing
                  : L"Messenger Plus! Has no exe file defined reinstall Plus! or Install a newer version of Plus!");
    EXPECT_EQ(again.ExitCode(), 0u);
  }
  EXPECT_EQ(ResetStarts(), 1);
  EXPECT_EQ(MarkerLines(hostFolder, L"msgplusreset").size(), 1u);
  EXPECT_EQ(DeletedAtRestart(), pending);
  ExpectNothingOfDuvistoLeft();
}

// A removal that cannot finish reports why and keeps what a later run needs: the plug-in file
// while its registration stays, the record while anything is left. Once the cause is gone, a
// second run finishes the job.
TEST_F(UninstallTest, PartialRemovalKeepsWhatALaterRunNeedsAndTheNextRunFinishes) {
  Install();
  { std::ofstream(plugins_ / L"Duvisto.dll") << "not a library"; }  // its registration cannot be taken back

  InstallerRun run(setup_ / L"installer.exe", L" /uninstall");
  const std::wstring report = Uninstall(run, IDI_HAND);
  EXPECT_EQ(
      report.rfind(L"The Duvisto plug-in could not be removed completely.\n\nIts registration could not be removed:\n" +
                       (plugins_ / L"Duvisto.dll").wstring() + L"\n\n",
                   0),
      0u)
      << fs::path(report).string();
  EXPECT_NE(report.find(L"Run the uninstaller again once this is solved."), std::wstring::npos);
  EXPECT_EQ(run.ExitCode(), 1u);
  EXPECT_TRUE(fs::exists(plugins_ / L"Duvisto.dll"));
  EXPECT_TRUE(RegisteredServer());
  EXPECT_FALSE(Announced());
  EXPECT_TRUE(EntryText(L"UninstallString"));
  EXPECT_TRUE(fs::exists(uninstaller_));

  ASSERT_TRUE(CopyFileW((setup_ / L"Duvisto.dll").c_str(), (plugins_ / L"Duvisto.dll").c_str(), FALSE));
  HKEY subKey = nullptr;  // now the registration goes, but the record has gained a key of someone else's
  ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, (kUninstallKey + std::wstring(L"\\Extra")).c_str(), 0, nullptr, 0,
                            KEY_WRITE, nullptr, &subKey, nullptr),
            ERROR_SUCCESS);
  RegCloseKey(subKey);
  InstallerRun stillStuck(setup_ / L"installer.exe", L" /uninstall");
  EXPECT_NE(Uninstall(stillStuck, IDI_HAND)
                .find(L"Its entry in Programs and Features could not be removed:\nHKEY_LOCAL_MACHINE\\" +
                      std::wstring(kUninstallKey)),
            std::wstring::npos);
  EXPECT_FALSE(RegisteredServer());
  EXPECT_FALSE(fs::exists(plugins_ / L"Duvisto.dll"));
  EXPECT_TRUE(fs::exists(uninstaller_));

  RegDeleteKeyW(HKEY_LOCAL_MACHINE, (kUninstallKey + std::wstring(L"\\Extra")).c_str());
  InstallerRun finished(setup_ / L"installer.exe", L" /uninstall");
  EXPECT_EQ(Uninstall(finished), kRemoved);
  ExpectNothingOfDuvistoLeft();
  EXPECT_TRUE(DeletedAtRestart().empty());
}

// The plug-in still in use: loaded, as by a running host, it is moved out of the folder at once;
// held open so that it cannot even be renamed, it stays until Windows restarts. Either way the
// user is told, the rest is removed, and the exit code asks for a restart.
TEST_F(UninstallTest, PluginInUseIsRemovedAtTheNextRestartAndTheUserIsTold) {
  const fs::path plugin = plugins_ / L"Duvisto.dll";
  for (const bool loaded : {true, false}) {
    SCOPED_TRACE(loaded ? "loaded" : "held open");
    Install();
    const duvisto::UniqueModule library(loaded ? LoadLibraryW(plugin.c_str()) : nullptr);
    const Handle held(
        loaded ? nullptr
               : CreateFileW(plugin.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr),
        &CloseHandle);
    ASSERT_TRUE(library || held);

    InstallerRun run(setup_ / L"installer.exe", L" /uninstall");
    EXPECT_EQ(
        Uninstall(run),
        kRemoved + std::wstring(kInUse) +
            (loaded ? L"It has been moved out of the plug-in folder and will be deleted when Windows restarts."
                    : L"It will be deleted when Windows restarts: restart Windows before you install Duvisto again."));
    EXPECT_EQ(run.ExitCode(), kRestartNeeded);
    for (const wchar_t* key : kComKeys) EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, key));
    EXPECT_FALSE(Announced());
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
    EXPECT_FALSE(fs::exists(uninstaller_));
    const auto pending = DeletedAtRestart();
    ASSERT_EQ(pending.size(), 1u);
    if (loaded) {
      EXPECT_FALSE(fs::exists(plugin));
      EXPECT_EQ(Contents(*pending.begin()), Contents(setup_ / L"Duvisto.dll"));
    } else {
      EXPECT_TRUE(fs::exists(plugin));
      std::error_code error;
      EXPECT_TRUE(fs::equivalent(*pending.begin(), plugin, error));
    }
    RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, L"SYSTEM\\CurrentControlSet\\Control\\Session Manager",
                       L"PendingFileRenameOperations");
  }
}

// Install, remove, install again: the host stand-in loads the plug-in and runs a command.
TEST_F(UninstallTest, InstallRemoveInstallLeavesAWorkingPlugin) {
  Install();
  InstallerRun run(setup_ / L"installer.exe", L" /uninstall");
  EXPECT_EQ(Uninstall(run), kRemoved);
  Install();
  RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, kOtherPlugins, L"Other");  // the host would try to create it
  const fs::path scenario = scratch_ / L"enable.txt";
  { std::ofstream(scenario) << "A> /xbenable\n"; }
  const auto host =
      test_support::RunProgram(L"\"" + (bin_ / L"host.exe").wstring() + L"\" \"" + scenario.wstring() + L"\"");
  EXPECT_EQ(host.exitCode, 0);
  EXPECT_TRUE(std::any_of(host.lines.begin(), host.lines.end(), [](const std::string& line) {
    return line.find("Duvisto.ParseCommand -> True") != std::string::npos;
  })) << ::testing::PrintToString(host.lines);
}

// Anything but /uninstall is refused with a box, and nothing is changed.
TEST_F(UninstallTest, UnknownOptionsAreRefusedAndNoChangesTheMind) {
  for (const std::wstring arguments : {L" /remove", L" /uninstall now", L" uninstall"}) {
    InstallerRun run(setup_ / L"installer.exe", arguments);
    EXPECT_EQ(run.Answer(IDOK), L"Unknown option: " + arguments.substr(1) +
                                    L"\n\nStart installer.exe without options to install the Duvisto plug-in, or with "
                                    L"/uninstall to remove it. Nothing has been changed.");
    EXPECT_EQ(run.ExitCode(), 2u);
  }
  Install();
  InstallerRun run(setup_ / L"installer.exe", L" /UNINSTALL");
  EXPECT_EQ(run.Answer(IDNO), kConfirm);
  EXPECT_EQ(run.ExitCode(), 0u);
  EXPECT_EQ(ResetStarts(), 1);
  EXPECT_TRUE(RegisteredServer() && Announced() && fs::exists(uninstaller_) && EntryText(L"UninstallString"));
}

}  // namespace
}  // namespace installer_test
