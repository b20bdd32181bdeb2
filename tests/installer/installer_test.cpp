// installer.exe under Wine, driven through its window: the window, host detection and the
// installation steps, with the host's values seeded in the registry.
#include <array>
#include <functional>

#include "installer_session.h"
#include "system_queries.h"

namespace installer_test {
namespace {

using robot::TwipsToPixelsX;
using robot::TwipsToPixelsY;

TEST_F(InstallerTest, WindowAsksAndOnlyYesConfirmedGoesOn) {
  FillSetup();
  InstallerRun run(setup_ / L"installer.exe");
  HWND form = run.Form();
  ASSERT_NE(form, nullptr);
  EXPECT_EQ(robot::WindowText(form), L"Installer");
  const RECT client = robot::ClientRectOf(form);
  EXPECT_EQ((std::array{client.right, client.bottom}),
            (std::array<LONG, 2>{TwipsToPixelsX(3045), TwipsToPixelsY(1890)}));
  const struct { const wchar_t *className, *text; int left, top, width, height; } controls[] = {  // in twips
      {L"Static", kQuestion, 120, 120, 2775, 735}, {L"Button", L"Yes", 120, 960, 1455, 495},
      {L"Button", L"No", 1560, 960, 1455, 495}, {L"Static", L"This installer was created by Tovu", 0, 1560, 3015, 375}};
  HWND inTabOrder = GetWindow(form, GW_CHILD);
  for (const auto& c : controls) {
    HWND control = run.Control(c.className, c.text);
    ASSERT_EQ(control, inTabOrder) << "out of tab order";
    const RECT r = robot::ChildRectInClient(control);
    EXPECT_EQ((std::array{r.left, r.top, r.right - r.left, r.bottom - r.top}),
              (std::array<LONG, 4>{TwipsToPixelsX(c.left), TwipsToPixelsY(c.top), TwipsToPixelsX(c.width),
                          TwipsToPixelsY(c.height)}));
    inTabOrder = GetWindow(control, GW_HWNDNEXT);
  }
  EXPECT_EQ(GetWindowLongW(run.Control(L"Static", controls[3].text), GWL_STYLE) & SS_TYPEMASK, SS_CENTER);
  HWND cmdYes = run.Control(L"Button", L"Yes");
  const DWORD ui = GetWindowThreadProcessId(form, nullptr);
  EXPECT_EQ(robot::FocusedWindow(ui), cmdYes);
  // Left for another window and come back to, it gives the focus back to the button that had it.
  HWND cmdNo = run.Control(L"Button", L"No");
  robot::PostKey(cmdYes, VK_TAB);
  ASSERT_TRUE(robot::WaitUntil([&] { return robot::FocusedWindow(ui) == cmdNo; }));
  HWND other = CreateWindowExW(0, L"STATIC", L"another program", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 100,
                               nullptr, nullptr, nullptr, nullptr);
  SetForegroundWindow(other);
  EXPECT_TRUE(robot::WaitUntil([&] { return robot::FocusedWindow(ui) != cmdNo; })) << "still the foreground";
  SetForegroundWindow(form);
  EXPECT_TRUE(robot::WaitUntil([&] { return robot::FocusedWindow(ui) == cmdNo; })) << "the focus came back elsewhere";
  DestroyWindow(other);

  // No default button: Enter and Escape answer nothing, nothing comes up by itself; the close box ends it.
  robot::PostKey(cmdYes, VK_RETURN);
  robot::PostKey(cmdYes, VK_ESCAPE);
  EXPECT_FALSE(run.NextBox(500ms));
  ASSERT_TRUE(robot::CloseAndWait(form));
  EXPECT_EQ(run.ExitCode(), 0u);

  InstallerRun no(setup_ / L"installer.exe");
  no.Press(L"No");
  EXPECT_EQ(no.ExitCode(), 0u);
  // The confirmation is titled with what the title label says at that moment. No there ends the
  // program before the host is looked for: with none installed, detection would say so.
  InstallerRun notSure(setup_ / L"installer.exe");
  ASSERT_TRUE(robot::SetText(notSure.Control(L"Static", kQuestion), L"Install it now?"));
  notSure.Press(L"Yes");
  EXPECT_EQ(notSure.Answer(IDNO, L"Install it now?"), L"Are you sure you want to install this plugin?");
  EXPECT_EQ(notSure.ExitCode(), 0u);
  EXPECT_TRUE(MarkerLines(setup_, L"msgplusreset").empty());
  EXPECT_FALSE(fs::exists(plugins_ / L"Duvisto.dll"));
}

// Detection's boxes, a build that is not a number, a step that fails: each stop leaves only what
// the steps before it did.
TEST_F(InstallerTest, EachStopShowsItsBoxAndLeavesOnlyWhatWasDoneBefore) {
  const auto notInstalled = L"Messenger Plus! isn't installed!";
  const auto untested = L"I didn't test this program on this version are you sure you wan't to continue?";
  const auto noPluginDir = L"Messenger Plus! has no Plugin dir. Reinstall Plus! or install a newer version of Plus!";
  const auto noExe = L"Messenger Plus! Has no exe file defined reinstall Plus! or Install a newer version of Plus!";
  const std::wstring notFound = L"\n\n" + installer::SystemReason(ERROR_FILE_NOT_FOUND);
  const std::wstring reset = (setup_ / L"msgplusreset.exe").wstring(), target = (plugins_ / L"Duvisto.dll").wstring();
  const std::wstring notStarted = L"The reset program of Messenger Plus! could not be started:\n" + reset + notFound;
  const std::wstring notCopied =
      L"The plug-in could not be copied:\n" + (setup_ / L"Duvisto.dll").wstring() + L"\nto\n" + target + notFound;
  const auto remove = [](const wchar_t* name) { RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, kHostKey, name); };
  // From a working host; where the build passes, FileNameExe is the value that lacks.
  const struct {
    const char* name;
    std::function<void()> seed;
    std::vector<std::pair<std::wstring, int>> boxes;  // text, answer
    DWORD exitCode = 0;
    bool plugin = true, resetProgram = true;
    size_t resetStarts = 0;
  } cases[] = {
      {"no host", [] { RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Vendaro"); }, {{notInstalled, IDOK}}},
      {"BinDir empty", [] { SetHost(L"BinDir", L""); }, {{notInstalled, IDOK}}},
      {"SoftwareBuild missing", [&] { remove(L"SoftwareBuild"); }, {{notInstalled, IDOK}}},
      {"PluginDir missing", [&] { remove(L"PluginDir"); }, {{noPluginDir, IDOK}}},
      {"2053 as number", [&] { remove(L"FileNameExe"); SetHost(L"SoftwareBuild", DWORD{2053}); }, {{noExe, IDOK}}},
      {"untested, No", [] { SetHost(L"SoftwareBuild", L"2048"); }, {{untested, IDNO}}},
      {"untested number, Yes",
       [&] { remove(L"FileNameExe"); SetHost(L"SoftwareBuild", DWORD{2047}); },
       {{untested, IDYES}, {noExe, IDOK}}},
      {"not a number",
       [] { SetHost(L"SoftwareBuild", L"20 53"); },
       {{L"Type mismatch: the build number \"20 53\" of Messenger Plus! is not a number. Nothing has been changed.",
         IDOK}},
       1},
      {"reset program missing", [] {}, {{notStarted, IDOK}}, 1, true, false},
      {"plug-in missing", [] {}, {{notCopied, IDOK}}, 1, false, true, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove_all(setup_);
    FillSetup(c.plugin, c.resetProgram);
    SeedHost();
    c.seed();
    InstallerRun run(setup_ / L"installer.exe");
    run.ConfirmInstall();
    for (const auto& [text, answer] : c.boxes) EXPECT_EQ(run.Answer(answer), text);
    EXPECT_EQ(run.ExitCode(), c.exitCode);
    EXPECT_TRUE(robot::WaitUntil([&] { return MarkerLines(setup_, L"msgplusreset").size() == c.resetStarts; }));
    EXPECT_FALSE(fs::exists(target));
    EXPECT_FALSE(Announced());
    EXPECT_TRUE(RegistrationToolEnded());
    EXPECT_FALSE(RegisteredServer());
  }
}

TEST_F(InstallerTest, InstallsStaysOpenAndASecondYesRepeatsEverything) {
  FillSetup();
  // Traps: "<scratch>\setup.exe" answers an unquoted start of "...\setup folder\msgplusreset.exe",
  // a regsvr32.exe beside the installer a start by bare name.
  Plant(scratch_ / L"setup.exe");
  Plant(setup_ / L"regsvr32.exe");
  ASSERT_TRUE(robot::StartProgram((setup_ / L"msgplusreset.exe").wstring()));
  ASSERT_TRUE(robot::WaitUntil([&] { return MarkerLines(scratch_, L"setup").size() == 1; })) << "trap not working";

  SeedHost();
  InstallerRun run(setup_ / L"installer.exe");
  // The second time the plug-in folder ends in a backslash: the doubled one is passed on as it stands.
  for (const std::wstring& pluginDir : {plugins_.wstring(), plugins_.wstring() + L"\\"}) {
    SCOPED_TRACE(pluginDir);
    const size_t resetStarts = MarkerLines(setup_, L"msgplusreset").size() + 1;
    { std::ofstream(plugins_ / L"Duvisto.dll") << "an older copy"; }
    RegDeleteTreeW(HKEY_CLASSES_ROOT, kClassKey);
    SetHost(L"PluginDir", pluginDir);
    run.ConfirmInstall();

    // The reset program started minimised, by its whole path and without arguments.
    ASSERT_TRUE(robot::WaitUntil([&] { return MarkerLines(setup_, L"msgplusreset").size() == resetStarts; }));
    EXPECT_EQ(MarkerLines(setup_, L"msgplusreset").back(),
              std::to_string(SW_SHOWMINIMIZED) + "|\"" + (setup_ / L"msgplusreset.exe").string() + "\"");
    ASSERT_TRUE(robot::WaitUntil([] { return RegisteredServer().has_value(); }, 20s));
    std::error_code error;
    EXPECT_TRUE(fs::equivalent(*RegisteredServer(), plugins_ / L"Duvisto.dll", error));
    EXPECT_EQ(Contents(plugins_ / L"Duvisto.dll"), Contents(setup_ / L"Duvisto.dll"));
    EXPECT_EQ(Announced(), L"Duvisto.Browse");
    EXPECT_TRUE(RegistrationToolEnded());
    EXPECT_FALSE(run.NextBox(300ms));  // no message of its own
    EXPECT_FALSE(run.ExitCode(0ms));
  }
  EXPECT_EQ(MarkerLines(scratch_, L"setup").size(), 1u);
  EXPECT_TRUE(MarkerLines(setup_, L"regsvr32").empty());
  run.Press(L"No");
  EXPECT_EQ(run.ExitCode(), 0u);
}

}  // namespace
}  // namespace installer_test
