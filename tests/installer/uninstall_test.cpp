// Removing the plug-in under Wine: the record an installation leaves for Programs and Features,
// and installer.exe /uninstall (or the recorded command line) taking everything back, with the
// windows driven by the robot.
#include "program_run.h"
#include "removal_session.h"
#include "system_queries.h"

namespace installer_test {
namespace {

// The version resource's file version as "a.b.c.d".
std::wstring FileVersionOf(const fs::path& file) {
  std::vector<BYTE> data(GetFileVersionInfoSizeW(file.c_str(), nullptr));
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  if (data.empty() || !GetFileVersionInfoW(file.c_str(), 0, DWORD(data.size()), data.data()) ||
      !VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&fixed), &length)) {
    return L"";
  }
  return std::to_wstring(HIWORD(fixed->dwFileVersionMS)) + L"." + std::to_wstring(LOWORD(fixed->dwFileVersionMS)) +
         L"." + std::to_wstring(HIWORD(fixed->dwFileVersionLS)) + L"." + std::to_wstring(LOWORD(fixed->dwFileVersionLS));
}

std::wstring Today() {
  SYSTEMTIME today{};
  GetLocalTime(&today);
  wchar_t text[9];
  swprintf(text, 9, L"%04u%02u%02u", today.wYear, today.wMonth, today.wDay);
  return text;
}

// The record: the uninstaller in a folder of its own under Program Files, named by the entry with
// its icon, version, date, and the files the removal takes away; a copy without the mark of a
// download; an uninstaller of an earlier version beside the plug-in taken away.
TEST_F(UninstallTest, InstallingRecordsItForProgramsAndFeaturesOnceAndUpToDate) {
  { std::ofstream(plugins_ / L"Duvisto-uninstall.exe") << "an earlier version's uninstaller"; }
  const std::wstring before = Today();
  Install();
  const std::wstring commandLine = L"\"" + uninstaller_.wstring() + L"\" /uninstall";
  EXPECT_EQ(EntryText(L"UninstallString"), commandLine);
  EXPECT_EQ(EntryText(L"DisplayIcon"), uninstaller_.wstring());
  EXPECT_EQ(ExtractIconExW(uninstaller_.c_str(), -1, nullptr, nullptr, 0), 1u) << "the installer's own icon";
  EXPECT_EQ(EntryText(L"InstallLocation"), plugins_.wstring());
  EXPECT_EQ(EntryText(L"PluginFile"), (plugins_ / L"Duvisto.dll").wstring());
  EXPECT_EQ(EntryText(L"UninstallerFile"), uninstaller_.wstring());
  const std::wstring version = FileVersionOf(setup_ / L"installer.exe");
  EXPECT_EQ(version, L"1.0.0.0");
  EXPECT_EQ(EntryText(L"DisplayVersion"), version);
  EXPECT_EQ(EntryNumber(L"VersionMajor"), 1u);
  EXPECT_EQ(EntryNumber(L"VersionMinor"), 0u);
  const std::wstring installDate = EntryText(L"InstallDate").value_or(L"");
  EXPECT_TRUE(installDate == before || installDate == Today()) << fs::path(installDate).string();
  EXPECT_EQ(EntryText(L"Publisher"), L"morvane12");
  EXPECT_EQ(EntryNumber(L"NoModify"), 1u);
  EXPECT_EQ(EntryNumber(L"NoRepair"), 1u);
  const auto kb = [](const fs::path& file) { return DWORD((fs::file_size(file) + 1023) / 1024); };
  EXPECT_EQ(EntryNumber(L"EstimatedSize"), kb(setup_ / L"Duvisto.dll") + kb(setup_ / L"installer.exe"));
  EXPECT_EQ(Contents(uninstaller_), Contents(setup_ / L"installer.exe"));
  EXPECT_EQ(FileNames(plugins_), (std::vector<std::wstring>{L"Duvisto.dll", L"Other.dll"}));

  // Wine's own Programs and Features lists it, once, also after a second installation over the first.
  const auto listed = [] {
    const auto list = test_support::RunProgram(L"uninstaller.exe --list");
    EXPECT_EQ(list.exitCode, 0);
    return std::count_if(list.lines.begin(), list.lines.end(), [](const std::string& line) {
      return line.find("Duvisto plug-in for Messenger Plus!") != std::string::npos;
    });
  };
  EXPECT_EQ(listed(), 1);
  // The old copy was downloaded: it carries the mark (Wine keeps a replaced file's streams, as
  // Windows keeps those a copy takes from its source), which the new copy must not keep.
  { std::ofstream(uninstaller_) << "an older uninstaller"; }
  const fs::path mark = uninstaller_.wstring() + L":Zone.Identifier";
  { std::ofstream(mark) << "[ZoneTransfer]\nZoneId=3\n"; }
  ASSERT_NE(GetFileAttributesW(mark.c_str()), INVALID_FILE_ATTRIBUTES);
  SetHost(L"PluginDir", plugins_.wstring() + L"\\");
  Install();
  EXPECT_EQ(listed(), 1);
  EXPECT_EQ(EntryText(L"InstallLocation"), plugins_.wstring() + L"\\");
  EXPECT_EQ(Contents(uninstaller_), Contents(setup_ / L"installer.exe"));
  EXPECT_EQ(GetFileAttributesW(mark.c_str()), INVALID_FILE_ATTRIBUTES);
}

// The uninstaller's copy started by itself, say by a double-click, offers the removal.
TEST_F(UninstallTest, UninstallersCopyStartedWithoutOptionsOffersRemoval) {
  Install();
  InstallerRun run(L"\"" + uninstaller_.wstring() + L"\"", scratch_);
  EXPECT_EQ(run.Answer(IDNO), kConfirm);
  EXPECT_EQ(run.ExitCode(), 0u);
  EXPECT_TRUE(RegisteredServer() && Announced() && fs::exists(uninstaller_) && EntryText(L"UninstallString"));
  InstallerRun yes(L"\"" + uninstaller_.wstring() + L"\"", scratch_);
  EXPECT_EQ(Uninstall(yes), kRemoved);
  EXPECT_EQ(yes.ExitCode(), 0u);
  ExpectNothingOfDuvistoLeft();
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

// The reset program beside the uninstaller and in the host's folder too: it is started once,
// from beside the uninstaller, as installing starts it.
TEST_F(UninstallTest, ResetProgramFoundInBothPlacesStartsOnce) {
  const fs::path hostFolder = scratch_ / L"Messenger Plus! 2";
  SetHost(L"BinDir", hostFolder.wstring());
  Plant(hostFolder / L"msgplusreset.exe");
  Install();
  ASSERT_EQ(ResetStarts(), 1);
  InstallerRun run(setup_ / L"installer.exe", L" /uninstall");
  EXPECT_EQ(Uninstall(run), kRemoved);
  EXPECT_TRUE(robot::WaitUntil([&] { return ResetStarts() == 2; }));
  EXPECT_FALSE(robot::WaitUntil([&] { return !MarkerLines(hostFolder, L"msgplusreset").empty(); }, 1s))
      << "started from the host's folder as well";
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
  // The running uninstaller could only be renamed in its folder; Windows deletes it, then its
  // folder, at its next start.
  const auto pending = DeletedAtRestart();
  ASSERT_EQ(pending.size(), 2u);
  const fs::path renamed = *std::find_if(pending.begin(), pending.end(), [](const fs::path& path) {
    return path.parent_path() == UninstallerFolder();
  });
  EXPECT_EQ(Contents(renamed), Contents(setup_ / L"installer.exe"));
  EXPECT_EQ(pending.count(UninstallerFolder()), 1u);

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

  // Installed again before that restart: the folder's deletion is taken back, the renamed
  // uninstaller's stays.
  SetHost(L"FileNameExe", L"MsgPlus.exe");
  Install();
  EXPECT_EQ(DeletedAtRestart(), std::set<fs::path>{renamed});
}

// A removal that cannot finish reports why and keeps the record, and the uninstaller it
// starts, while anything is left. Once the cause is gone, a second run finishes the job.
TEST_F(UninstallTest, PartialRemovalKeepsWhatALaterRunNeedsAndTheNextRunFinishes) {
  Install();
  // The plug-in cannot be deleted: the record names it by a path no file can have.
  const std::wstring plugin = (plugins_ / L"Duvisto.dll").wstring();
  const std::wstring unusable = (plugins_ / L"Duvisto|.dll").wstring();
  const auto recordPlugin = [](const std::wstring& path) {
    RegSetKeyValueW(HKEY_LOCAL_MACHINE, kUninstallKey, L"PluginFile", REG_SZ, path.c_str(),
                    DWORD((path.size() + 1) * sizeof(wchar_t)));
  };
  recordPlugin(unusable);
  InstallerRun notDeleted(setup_ / L"installer.exe", L" /uninstall");
  std::wstring report = Uninstall(notDeleted, IDI_HAND);
  EXPECT_EQ(report.rfind(L"The Duvisto plug-in could not be removed completely.\n\nThe plug-in could not be deleted:\n" +
                             unusable + L"\n\n",
                         0),
            0u)
      << fs::path(report).string();
  EXPECT_NE(report.find(L"Run the uninstaller again once this is solved."), std::wstring::npos);
  EXPECT_EQ(notDeleted.ExitCode(), 1u);
  EXPECT_FALSE(Announced());
  EXPECT_TRUE(EntryText(L"UninstallString"));
  EXPECT_TRUE(fs::exists(uninstaller_));

  // Then the record has gained a key of someone else's, so that it cannot be removed.
  recordPlugin(plugin);
  HKEY subKey = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, (kUninstallKey + std::wstring(L"\\Extra")).c_str(), 0, nullptr, 0,
                            KEY_WRITE, nullptr, &subKey, nullptr),
            ERROR_SUCCESS);
  RegCloseKey(subKey);
  InstallerRun stillStuck(setup_ / L"installer.exe", L" /uninstall");
  report = Uninstall(stillStuck, IDI_HAND);
  EXPECT_EQ(report.rfind(L"The Duvisto plug-in could not be removed completely.\n\nIts entry in Programs and Features "
                         L"could not be removed:\nHKEY_LOCAL_MACHINE\\" +
                             std::wstring(kUninstallKey),
                         0),
            0u)
      << fs::path(report).string();
  EXPECT_EQ(stillStuck.ExitCode(), 1u);
  EXPECT_FALSE(RegisteredServer());
  EXPECT_FALSE(fs::exists(plugin));
  EXPECT_TRUE(EntryText(L"UninstallString"));
  EXPECT_TRUE(fs::exists(uninstaller_));

  RegDeleteKeyW(HKEY_LOCAL_MACHINE, (kUninstallKey + std::wstring(L"\\Extra")).c_str());
  InstallerRun finished(setup_ / L"installer.exe", L" /uninstall");
  EXPECT_EQ(Uninstall(finished), kRemoved);
  ExpectNothingOfDuvistoLeft();
  EXPECT_FALSE(fs::exists(UninstallerFolder()));
  EXPECT_TRUE(DeletedAtRestart().empty());
}

// The plug-in still in use. Loaded, as by a running host, it is renamed in its own folder,
// its real name free at once. Held open without delete sharing, so that it cannot even be
// renamed, it stays until Windows restarts, and an installation before that restart takes the
// deletion back for every file it installs. Either way the user is told, the rest is removed,
// and the exit code asks for a restart.
TEST_F(UninstallTest, PluginInUseIsRemovedAtTheNextRestartAndAnInstallationBeforeKeepsItsFiles) {
  const fs::path plugin = plugins_ / L"Duvisto.dll";
  for (const bool loaded : {true, false}) {
    SCOPED_TRACE(loaded ? "loaded" : "held open");
    Install();
    duvisto::UniqueModule library(loaded ? LoadLibraryW(plugin.c_str()) : nullptr);
    duvisto::UniqueFile held(loaded ? INVALID_HANDLE_VALUE
                                    : CreateFileW(plugin.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                                  OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(library || held);

    InstallerRun run(setup_ / L"installer.exe", L" /uninstall");
    EXPECT_EQ(Uninstall(run),
              kRemoved + std::wstring(kInUse) +
                  (loaded ? L"It has been renamed in its folder and will be deleted when Windows restarts."
                          : L"It will be deleted when Windows restarts. Installing Duvisto again before that keeps "
                            L"the new copy."));
    EXPECT_EQ(run.ExitCode(), kRestartNeeded);
    for (const wchar_t* key : kComKeys) EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, key));
    EXPECT_FALSE(Announced());
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
    EXPECT_FALSE(fs::exists(uninstaller_));
    const auto pending = DeletedAtRestart();
    ASSERT_EQ(pending.size(), 1u);
    if (loaded) {
      EXPECT_FALSE(fs::exists(plugin));
      EXPECT_EQ(pending.begin()->parent_path(), plugins_);
      EXPECT_EQ(Contents(*pending.begin()), Contents(setup_ / L"Duvisto.dll"));
    } else {
      EXPECT_TRUE(fs::exists(plugin));
      std::error_code error;
      EXPECT_TRUE(fs::equivalent(*pending.begin(), plugin, error));
    }
    library.reset();
    held.reset();
    Install();
    EXPECT_EQ(DeletedAtRestart().count(plugin), 0u);
    EXPECT_EQ(DeletedAtRestart().count(uninstaller_), 0u);
    EXPECT_EQ(DeletedAtRestart().size(), loaded ? 1u : 0u) << "only the renamed file is still to go";
    EXPECT_EQ(Contents(plugin), Contents(setup_ / L"Duvisto.dll"));
    InstallerRun cleanUp(setup_ / L"installer.exe", L" /uninstall");
    EXPECT_EQ(Uninstall(cleanUp), kRemoved);
    RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, L"SYSTEM\\CurrentControlSet\\Control\\Session Manager",
                       L"PendingFileRenameOperations");
    for (const auto& name : FileNames(plugins_)) {
      if (name != L"Other.dll") fs::remove(plugins_ / name);
    }
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
