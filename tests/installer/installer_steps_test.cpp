// The installation steps after detection: reset program, copy, announcement, registration,
// in that order, and where a failure stops them.
#include <windows.h>
#include <shellapi.h>

#include <fstream>

#include "installer_fixture.h"

namespace installer_test {
namespace {

constexpr wchar_t kFailureTitle[] = L"Plugin Installer/uninstaller";

// The stand-in was started minimised with its own full path as the whole command line.
void ExpectStartedMinimisedWithoutArguments(const std::wstring& markerLine, const fs::path& program) {
  const size_t bar = markerLine.find(L'|');
  ASSERT_NE(bar, std::wstring::npos);
  EXPECT_EQ(markerLine.substr(0, bar), std::to_wstring(SW_SHOWMINIMIZED));
  int count = 0;
  LPWSTR* arguments = CommandLineToArgvW(markerLine.substr(bar + 1).c_str(), &count);
  ASSERT_NE(arguments, nullptr);
  EXPECT_EQ(count, 1);
  EXPECT_TRUE(SamePath(arguments[0], program.wstring()));
  LocalFree(arguments);
}

void ExpectRegisteredAt(const fs::path& server) {
  ASSERT_TRUE(robot::WaitUntil([] { return RegisteredServerPath().has_value(); }, 20s));
  EXPECT_TRUE(SamePath(*RegisteredServerPath(), server.wstring()));
}

class StepsTest : public InstallerTest {
 protected:
  // Installs with the host seeded and checks every trace of a complete installation; the installer stays open.
  void InstallAndExpectEveryStep(InstallerRun& run, size_t runNumber) {
    run.ConfirmInstall();
    ASSERT_TRUE(WaitForMarkerLines(SetupFolder(), L"msgplusreset", runNumber));
    ExpectStartedMinimisedWithoutArguments(MarkerLines(SetupFolder(), L"msgplusreset").back(),
                                           SetupFolder() / L"msgplusreset.exe");
    ExpectRegisteredAt(PluginFolder() / L"Duvisto.dll");
    EXPECT_TRUE(SameFileContents(SetupFolder() / L"Duvisto.dll", PluginFolder() / L"Duvisto.dll"));
    EXPECT_EQ(AnnouncedProgId(), L"Duvisto.Browse");
    EXPECT_TRUE(WaitForRegistrationToolToEnd());
    // No message of its own; the window stays with its texts.
    EXPECT_FALSE(run.NextBox(300ms));
    EXPECT_FALSE(run.Ended(0ms));
    EXPECT_NE(run.Control(L"Static", L"Do you want to install the Duvisto plug-in?"), nullptr);
  }

  void SeedHost(const std::wstring& pluginDir) {
    SeedWorkingHost(PluginFolder());
    SetHostText(L"PluginDir", pluginDir);
  }
};

TEST_F(StepsTest, InstallsRegistersStaysOpenAndASecondYesRepeatsEverything) {
  FillSetupFolder(SetupFolder());
  // Impostors beside the installer that must not answer for the system's regsvr32.
  PlantProgram(SetupFolder(), L"regsvr32.exe");
  fs::create_directories(PluginFolder());
  SeedHost(PluginFolder().wstring());
  SetHostNumber(L"SoftwareBuild", 2053);

  InstallerRun run(Installer());
  InstallAndExpectEveryStep(run, 1);

  // Again: the copy overwrites a changed file, the value and the registration are written again.
  { std::ofstream(PluginFolder() / L"Duvisto.dll", std::ios::trunc) << "old"; }
  RemovePluginRegistration();
  InstallAndExpectEveryStep(run, 2);

  EXPECT_TRUE(MarkerLines(SetupFolder(), L"regsvr32").empty());
  run.Press(L"No");
  EXPECT_TRUE(run.Ended());
}

TEST_F(StepsTest, PluginFolderEndingInABackslashIsUsedAsItStands) {
  FillSetupFolder(SetupFolder());
  fs::create_directories(PluginFolder());
  SeedHost(PluginFolder().wstring() + L"\\");
  InstallerRun run(Installer());
  InstallAndExpectEveryStep(run, 1);
}

TEST_F(StepsTest, SetupFolderWithBlanksStartsTheResetProgramByItsWholePath) {
  // A program where a start from the unquoted path would find one first: "...\setup.exe"
  // for "...\setup folder\msgplusreset.exe".
  const fs::path setup = Scratch() / L"setup folder";
  FillSetupFolder(setup);
  PlantProgram(Scratch(), L"setup.exe");
  std::wstring unquoted = (setup / L"msgplusreset.exe").wstring();
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION trapped{};
  ASSERT_TRUE(CreateProcessW(nullptr, unquoted.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                             &trapped))
      << "the trap cannot catch an unquoted start";
  WaitForSingleObject(trapped.hProcess, 10000);
  CloseHandle(trapped.hProcess);
  CloseHandle(trapped.hThread);
  ASSERT_EQ(MarkerLines(Scratch(), L"setup").size(), 1u) << "the trap cannot catch an unquoted start";

  fs::create_directories(PluginFolder());
  SeedHost(PluginFolder().wstring());
  InstallerRun run(setup / L"installer.exe");
  run.ConfirmInstall();
  ASSERT_TRUE(WaitForMarkerLines(setup, L"msgplusreset", 1));
  ExpectStartedMinimisedWithoutArguments(MarkerLines(setup, L"msgplusreset")[0], setup / L"msgplusreset.exe");
  EXPECT_EQ(MarkerLines(Scratch(), L"setup").size(), 1u);
  ExpectRegisteredAt(PluginFolder() / L"Duvisto.dll");
}

TEST_F(StepsTest, MissingResetProgramStopsBeforeAnythingIsCopied) {
  FillSetupFolder(SetupFolder(), {.plugin = true, .resetProgram = false});
  fs::create_directories(PluginFolder());
  SeedHost(PluginFolder().wstring());
  InstallerRun run(Installer());
  run.ConfirmInstall();
  const auto box = run.NextBox();
  ASSERT_TRUE(box);
  EXPECT_EQ(box->title, kFailureTitle);
  EXPECT_TRUE(ShowsIcon(box->hwnd, robot::Icon::Stop));
  EXPECT_NE(box->text.find(L"reset program"), std::wstring::npos);
  EXPECT_NE(box->text.find((SetupFolder() / L"msgplusreset.exe").wstring()), std::wstring::npos);
  robot::PressButton(box->hwnd, IDOK);
  EXPECT_TRUE(run.Ended());
  EXPECT_EQ(run.ExitCode(), 1u);
  ExpectNothingChanged();
  EXPECT_TRUE(WaitForRegistrationToolToEnd());
  EXPECT_FALSE(RegisteredServerPath());
}

TEST_F(StepsTest, MissingPluginStopsAfterTheResetProgramStarted) {
  FillSetupFolder(SetupFolder(), {.plugin = false, .resetProgram = true});
  fs::create_directories(PluginFolder());
  SeedHost(PluginFolder().wstring());
  InstallerRun run(Installer());
  run.ConfirmInstall();
  const auto box = run.NextBox();
  ASSERT_TRUE(box);
  EXPECT_EQ(box->title, kFailureTitle);
  EXPECT_TRUE(ShowsIcon(box->hwnd, robot::Icon::Stop));
  EXPECT_NE(box->text.find(L"copied"), std::wstring::npos);
  EXPECT_NE(box->text.find((SetupFolder() / L"Duvisto.dll").wstring()), std::wstring::npos);
  EXPECT_NE(box->text.find((PluginFolder() / L"Duvisto.dll").wstring()), std::wstring::npos);
  robot::PressButton(box->hwnd, IDOK);
  EXPECT_TRUE(run.Ended());
  EXPECT_TRUE(WaitForMarkerLines(SetupFolder(), L"msgplusreset", 1));
  EXPECT_FALSE(AnnouncedProgId());
  EXPECT_TRUE(WaitForRegistrationToolToEnd());
  EXPECT_FALSE(RegisteredServerPath());
}

}  // namespace
}  // namespace installer_test
