// The robot itself, against real message boxes: what it reads, what it presses, and that a
// blocking call nobody ends is ended by force and reported.
#include <gtest/gtest.h>

#include "ui_robot.h"

namespace {

TEST(UiRobot, ReadsAndAnswersMessageBoxes) {
  struct Case {
    UINT style;
    robot::Icon icon;
    std::vector<int> buttons;
    int press;
  };
  const Case cases[] = {
      {MB_OK | MB_ICONINFORMATION, robot::Icon::Information, {IDOK}, IDOK},
      {MB_OK | MB_ICONSTOP, robot::Icon::Stop, {IDOK}, IDOK},
      {MB_YESNO | MB_ICONQUESTION, robot::Icon::Question, {IDYES, IDNO}, IDNO},
      {MB_YESNO | MB_ICONWARNING, robot::Icon::Warning, {IDYES, IDNO}, IDYES},
      {MB_OK, robot::Icon::None, {IDOK}, IDOK},
  };
  for (const Case& c : cases) {
    int answer = 0;
    std::optional<robot::MessageBoxInfo> seen;
    const auto run = robot::RunDriven([&] { answer = MessageBoxW(nullptr, L"Some text", L"A title", c.style); },
                                      [&](DWORD ui) {
                                        seen = robot::WaitForMessageBox(robot::Owner::Thread(ui));
                                        if (seen) robot::PressButton(seen->hwnd, c.press);
                                      });
    ASSERT_TRUE(seen.has_value());
    EXPECT_TRUE(run.callReturnedInTime);
    EXPECT_EQ(seen->title, L"A title");
    EXPECT_EQ(seen->text, L"Some text");
    EXPECT_EQ(seen->icon, c.icon) << "style " << c.style;
    EXPECT_EQ(seen->buttons, c.buttons) << "style " << c.style;
    EXPECT_EQ(answer, c.press);
  }
}

TEST(UiRobot, EndsABlockingCallTheDriverLeftOpen) {
  int answer = 0;
  const auto run = robot::RunDriven([&] { answer = MessageBoxW(nullptr, L"Nobody answers", L"Left", MB_YESNO); },
                                    [](DWORD) {}, std::chrono::milliseconds(300));
  EXPECT_FALSE(run.callReturnedInTime);
  EXPECT_EQ(answer, IDNO);
}

TEST(UiRobot, ConvertsTwipsAtTheDisplayDpi) {
  HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  EXPECT_EQ(robot::TwipsToPixelsY(1440), dpi);
  if (dpi == 96) EXPECT_EQ(robot::TwipsToPixelsX(9630), 642);
}

}  // namespace
