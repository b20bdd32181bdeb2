// The commands' boxes and browser window as the real DLL shows them, read and closed by the UI
// robot. What each command shows and changes is the command logic's, pinned by its native
// tests; here one box of each kind and the window's two modes check that it reaches the screen.
#include <gtest/gtest.h>

#include <atomic>

#include "plugin_test_support.h"

using namespace plugin_test;

namespace {

class Commands : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_HRESULT_SUCCEEDED(CreateByProgId(browse));
    VARIANT_BOOL ready = 0;
    ASSERT_HRESULT_SUCCEEDED(browse->Initialize(2053, nullptr, nullptr, &ready));
  }

  // Runs `command`, which shows one box; `whileUp` runs on the apartment thread from the box's loop.
  std::optional<robot::MessageBoxInfo> Command(const std::wstring& command, Outcome& outcome,
                                               const std::function<void()>& whileUp) {
    return WithBox([&] { outcome = Parse(browse.Get(), command); },
                   [&](DWORD, const robot::MessageBoxInfo&) { EXPECT_TRUE(caller.Run(whileUp)); });
  }

  ComPtr<_Browse> browse;
  UiThreadCaller caller;
};

// A box with the information icon and one without, their text whole, and the status they set
// changed only once they are dismissed, on this object alone.
TEST_F(Commands, SwitchesShowTheirBoxAndChangeTheStatusOnlyOnceItIsDismissed) {
  Outcome enable, disable;
  std::wstring statusWhileUp;
  const auto enabled = Command(L"/XbEnAbLe", enable, [&] { statusWhileUp = Status(browse.Get()); });
  ASSERT_TRUE(enabled);
  EXPECT_EQ(Described(*enabled) + L": " + enabled->text, L"Duvisto (i): You have enabled your remote browsing.");
  EXPECT_EQ(Shown(enable), L"handled: kept");
  EXPECT_EQ(statusWhileUp, L"disabled.");
  EXPECT_EQ(Status(browse.Get()), L"enabled.");

  const auto disabled = Command(L"/xbdisable", disable, [&] { statusWhileUp = Status(browse.Get()); });
  ASSERT_TRUE(disabled);
  EXPECT_EQ(Described(*disabled), L"Duvisto");
  EXPECT_EQ(statusWhileUp, L"enabled.");
  EXPECT_EQ(Status(browse.Get()), L"disabled.");

  ComPtr<_Browse> other;  // keeps its own status
  ASSERT_HRESULT_SUCCEEDED(CreateByProgId(other));
  ASSERT_TRUE(Enable(browse.Get()));
  EXPECT_EQ(Status(other.Get()), L".");
}

// The words arrive with their length: a NUL inside makes them someone else's.
TEST_F(Commands, WindowlessCommandsCompareTheWholeTextWithItsLength) {
  EXPECT_EQ(Shown(Parse(browse.Get(), std::wstring(L"/xbchkcontact\0x", 15))), L"not handled: kept");
  EXPECT_EQ(Shown(Notify(browse.Get(), std::wstring(L"check\0", 6))), L"not handled: kept");
  EXPECT_EQ(Shown(Parse(browse.Get(), L"/XBChkContact", L"ignored")), L"handled: " + kStatusRequest);
}

TEST_F(Commands, BrowserCommandsOpenOneWindowAndNestedOpensReuseIt) {
  Outcome local, nested;
  std::atomic<bool> nestedReturned{false};
  std::wstring captionAfterNested;
  size_t windowsAfterNested = 0;
  const auto driven = robot::RunDriven(
      [&] { local = Parse(browse.Get(), L"/XBROWSER", L"www.example.com"); },
      [&](DWORD uiThread) {
        auto window = robot::WaitForWindowCaptioned(robot::Owner::Thread(uiThread), kLocalCaption);
        if (!window) return;
        // A pushed address arrives while the local window is open; it returns only on close.
        caller.Post([&] { nested = Parse(browse.Get(), L"/xsurfak47", L"www.example.org"), nestedReturned = true; });
        robot::WaitUntil([&] { return robot::WindowText(*window) == kRemoteCaption; });
        captionAfterNested = robot::WindowText(*window);
        windowsAfterNested = robot::TopLevelWindows(robot::Owner::Thread(uiThread)).size();
        robot::CloseAndWait(*window);
        robot::WaitUntil([&] { return nestedReturned.load(); });
      });
  ASSERT_TRUE(driven.callReturnedInTime && nestedReturned);
  EXPECT_EQ(Shown(local), L"handled: kept");
  EXPECT_EQ(Shown(nested), L"handled: kept");
  EXPECT_EQ(captionAfterNested, kRemoteCaption);
  EXPECT_EQ(windowsAfterNested, 1u);
}

}  // namespace
