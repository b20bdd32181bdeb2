// The installer's window before Yes is confirmed: texts, layout, the ways out, the confirmation.
#include "installer_fixture.h"

namespace installer_test {
namespace {

using robot::TwipsToPixelsX;
using robot::TwipsToPixelsY;

constexpr wchar_t kQuestion[] = L"Do you want to install the Duvisto plug-in?";

void ExpectPlacedInTwips(HWND control, int left, int top, int width, int height) {
  const RECT rect = robot::ChildRectInClient(control);
  EXPECT_EQ(rect.left, TwipsToPixelsX(left));
  EXPECT_EQ(rect.top, TwipsToPixelsY(top));
  EXPECT_EQ(rect.right - rect.left, TwipsToPixelsX(width));
  EXPECT_EQ(rect.bottom - rect.top, TwipsToPixelsY(height));
}

TEST_F(InstallerTest, WindowAsksTheQuestionAndReadsNothingUntilYes) {
  FillSetupFolder(SetupFolder());
  InstallerRun run(Installer());
  HWND form = run.Form();
  ASSERT_NE(form, nullptr);

  EXPECT_EQ(robot::WindowText(form), L"Installer");
  const RECT client = robot::ClientRectOf(form);
  EXPECT_EQ(client.right, TwipsToPixelsX(3045));
  EXPECT_EQ(client.bottom, TwipsToPixelsY(1890));

  HWND lblTitle = run.Control(L"Static", kQuestion);
  HWND cmdYes = run.Control(L"Button", L"Yes");
  HWND cmdNo = run.Control(L"Button", L"No");
  HWND lblquestion = run.Control(L"Static", L"This installer was created by Tovu");
  ASSERT_TRUE(lblTitle && cmdYes && cmdNo && lblquestion);
  ExpectPlacedInTwips(lblTitle, 120, 120, 2775, 735);
  ExpectPlacedInTwips(cmdYes, 120, 960, 1455, 495);
  ExpectPlacedInTwips(cmdNo, 1560, 960, 1455, 495);
  ExpectPlacedInTwips(lblquestion, 0, 1560, 3015, 375);
  EXPECT_EQ(GetWindowLongW(lblquestion, GWL_STYLE) & SS_TYPEMASK, SS_CENTER);

  // Tab order lblTitle, cmdYes, cmdNo, lblquestion; the focus starts on Yes; no default button.
  EXPECT_EQ(GetWindow(form, GW_CHILD), lblTitle);
  EXPECT_EQ(GetWindow(lblTitle, GW_HWNDNEXT), cmdYes);
  EXPECT_EQ(GetWindow(cmdYes, GW_HWNDNEXT), cmdNo);
  EXPECT_EQ(GetWindow(cmdNo, GW_HWNDNEXT), lblquestion);
  EXPECT_EQ(robot::FocusedWindow(GetWindowThreadProcessId(form, nullptr)), cmdYes);
  for (HWND button : {cmdYes, cmdNo}) EXPECT_EQ(GetWindowLongW(button, GWL_STYLE) & BS_TYPEMASK, BS_PUSHBUTTON);

  // Enter and Escape answer nothing, and with no host installed no message comes up by itself.
  robot::PostKey(cmdYes, VK_RETURN);
  robot::PostKey(cmdYes, VK_ESCAPE);
  EXPECT_FALSE(run.NextBox(500ms));
  EXPECT_FALSE(run.Ended(0ms));
  ExpectNothingChanged();

  ASSERT_TRUE(robot::SaveScreenshot(form, L"installer.bmp"));
}

TEST_F(InstallerTest, NoAndTheCloseBoxEndTheProgramAtOnce) {
  FillSetupFolder(SetupFolder());
  {
    InstallerRun run(Installer());
    run.Press(L"No");
    EXPECT_TRUE(run.Ended());
    EXPECT_EQ(run.ExitCode(), 0u);
  }
  InstallerRun run(Installer());
  ASSERT_TRUE(robot::CloseAndWait(run.Form()));
  EXPECT_TRUE(run.Ended());
  ExpectNothingChanged();
}

TEST_F(InstallerTest, NoAtTheConfirmationEndsBeforeTheHostIsLookedFor) {
  FillSetupFolder(SetupFolder());
  InstallerRun run(Installer());
  run.Press(L"Yes");
  const auto box = run.NextBox();
  ASSERT_TRUE(box);
  EXPECT_EQ(box->title, kQuestion);
  EXPECT_EQ(box->text, L"Are you sure you want to install this plugin?");
  EXPECT_TRUE(ShowsIcon(box->hwnd, robot::Icon::Information));
  EXPECT_EQ(box->buttons, (std::vector<int>{IDYES, IDNO}));
  robot::PressButton(box->hwnd, IDNO);
  // With no host installed, detection would have said so; the program ends silently instead.
  EXPECT_TRUE(run.Ended());
  EXPECT_FALSE(run.NextBox(0ms));
  ExpectNothingChanged();
}

TEST_F(InstallerTest, ConfirmationIsTitledWithTheTitleLabelAsItReadsNow) {
  FillSetupFolder(SetupFolder());
  InstallerRun run(Installer());
  ASSERT_TRUE(robot::SetText(run.Control(L"Static", kQuestion), L"Install it now?"));
  run.Press(L"Yes");
  const auto box = run.NextBox();
  ASSERT_TRUE(box);
  EXPECT_EQ(box->title, L"Install it now?");
  robot::PressButton(box->hwnd, IDNO);
  EXPECT_TRUE(run.Ended());
}

TEST(InstallerProgram, CarriesItsVersion) {
  const std::wstring path = (BinFolder() / L"installer.exe").wstring();
  std::vector<BYTE> data(GetFileVersionInfoSizeW(path.c_str(), nullptr));
  ASSERT_FALSE(data.empty());
  ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, static_cast<DWORD>(data.size()), data.data()));
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT size = 0;
  ASSERT_TRUE(VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&fixed), &size));
  EXPECT_EQ(fixed->dwFileVersionMS, MAKELONG(0, 1));
  EXPECT_EQ(fixed->dwFileVersionLS, 0u);
  auto text = [&](const wchar_t* name) {
    wchar_t* value = nullptr;
    UINT length = 0;
    const std::wstring query = std::wstring(L"\\StringFileInfo\\040904B0\\") + name;
    return VerQueryValueW(data.data(), query.c_str(), reinterpret_cast<void**>(&value), &length) ? std::wstring(value)
                                                                                                   : std::wstring();
  };
  EXPECT_EQ(text(L"FileVersion"), L"1.0.0.0");
  EXPECT_EQ(text(L"InternalName"), L"installer");
  EXPECT_EQ(text(L"OriginalFilename"), L"installer.exe");
}

}  // namespace
}  // namespace installer_test
