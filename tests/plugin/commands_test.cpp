// Every chat command and notification through the real DLL, with its boxes and its browser
// window read and closed by the UI robot, including calls that arrive from the modal loops.
#include <gtest/gtest.h>

#include <atomic>
#include <vector>

#include "plugin_test_support.h"
#include "ui_robot.h"

using namespace plugin_test;

namespace {

constexpr wchar_t kLocalCaption[] = L"Internet browser (local)";
constexpr wchar_t kRemoteCaption[] = L"Internet browser (local & remote)";

class Commands : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_HRESULT_SUCCEEDED(CreateByProgId(browse));
    VARIANT_BOOL ready = 0;
    ASSERT_HRESULT_SUCCEEDED(browse->Initialize(2053, nullptr, nullptr, &ready));
  }
  std::wstring Status() { return Notify(browse.Get(), L"check").text.substr(kStatusAnswer.size()); }

  // Runs `command`, which shows one box: the robot reads it, runs `whileOpen` on the apartment
  // thread from the box's own loop, then presses OK.
  Outcome WithOneBox(const std::wstring& command, robot::MessageBoxInfo& seen,
                     const std::function<void()>& whileOpen = [] {}) {
    Outcome outcome;
    std::atomic<bool> ranWhileOpen{false};
    const auto driven = robot::RunDriven([&] { outcome = Parse(browse.Get(), command); },
                                         [&](DWORD uiThread) {
                                           auto box = robot::WaitForMessageBox(robot::Owner::Thread(uiThread));
                                           if (!box) return;
                                           seen = *box;
                                           caller.Post([&] { whileOpen(), ranWhileOpen = true; });
                                           robot::WaitUntil([&] { return ranWhileOpen.load(); });
                                           robot::PressButton(box->hwnd, IDOK);
                                         });
    EXPECT_TRUE(driven.callReturnedInTime) << "a box was left open";
    EXPECT_TRUE(ranWhileOpen);
    return outcome;
  }

  ComPtr<_Browse> browse;
  UiThreadCaller caller;
};

TEST_F(Commands, SwitchesAndStatusBoxesChangeTheStatusOnlyOnceDismissed) {
  robot::MessageBoxInfo box;
  std::wstring statusWhileOpen;
  const Outcome enable = WithOneBox(L"/XbEnAbLe", box, [&] { statusWhileOpen = Status(); });
  EXPECT_TRUE(enable.handled == VARIANT_TRUE && enable.text == L"kept");
  EXPECT_TRUE(box.title == L"Duvisto" && box.icon == robot::Icon::Information);
  EXPECT_EQ(box.text, L"You have enabled your remote browsing.");
  EXPECT_EQ(statusWhileOpen, L"disabled.");
  EXPECT_EQ(Status(), L"enabled.");

  WithOneBox(L"/xbchkmy", box);
  EXPECT_TRUE(box.text == L"Remote browsing is enabled." && box.icon == robot::Icon::Information);

  WithOneBox(L"/xbdisable", box, [&] { statusWhileOpen = Status(); });
  EXPECT_TRUE(box.text == L"You have disabled your remote browsing." && box.icon == robot::Icon::None);
  EXPECT_EQ(statusWhileOpen, L"enabled.");
  EXPECT_EQ(Status(), L"disabled.");

  WithOneBox(L"/xbabout", box);
  EXPECT_TRUE(box.title == L"About Duvisto" && box.icon == robot::Icon::Information);
  EXPECT_EQ(box.text.substr(0, 29), L"Duvisto v1.0.0 by morvane12\r\n");
  EXPECT_NE(box.text.find(L"\r\nTesters: Irva, Korvalen\r\nInstaller by: Tovu"), std::wstring::npos);

  const Outcome refused = WithOneBox(L"/xnewurl", box);
  EXPECT_TRUE(refused.handled == VARIANT_TRUE && refused.text == L"kept" && box.icon == robot::Icon::None);
  EXPECT_EQ(box.text, L"Your remote browsing is disabled. Enable remote browsing (/xbenable) and try again.");

  ComPtr<_Browse> other;  // keeps its own status
  ASSERT_HRESULT_SUCCEEDED(CreateByProgId(other));
  WithOneBox(L"/xbenable", box);
  EXPECT_EQ(Notify(other.Get(), L"check").text, kStatusAnswer + L".");
}

TEST_F(Commands, WindowlessCommandsCompareTheWholeTextWithItsLength) {
  EXPECT_EQ(Parse(browse.Get(), L"/xbenable ").handled, VARIANT_FALSE);
  EXPECT_EQ(Parse(browse.Get(), std::wstring(L"/xbchkcontact\0x", 15)).handled, VARIANT_FALSE);
  const Outcome request = Parse(browse.Get(), L"/XBChkContact", L"ignored");
  EXPECT_EQ(request.handled, VARIANT_TRUE);
  EXPECT_EQ(request.text, L"\tcheckI would like to check your status of remote browsing. This will only work if you "
                          L"have Messenger Plus! and the plug-in Duvisto by morvane12.");
  EXPECT_EQ(Notify(browse.Get(), std::wstring(L"check\0", 6)).handled, VARIANT_FALSE);
  const Outcome disabledPush = Notify(browse.Get(), L"BROWS", L"http://example.com");
  EXPECT_TRUE(disabledPush.handled == VARIANT_TRUE && disabledPush.text == L"kept");
}

TEST_F(Commands, PushExplainsOpensTheWindowAndHandsOverTheNotificationOnlyWhenClosed) {
  robot::MessageBoxInfo box;
  WithOneBox(L"/xbenable", box);
  std::atomic<bool> returned{false}, reentered{false};
  Outcome push, echo, check;
  size_t windowsWhileOpen = 0;
  const auto driven = robot::RunDriven(
      [&] { push = Parse(browse.Get(), L"/xnewurl", L"https://example.com/a b"), returned = true; },
      [&](DWORD uiThread) {
        auto explanation = robot::WaitForMessageBox(robot::Owner::Thread(uiThread));
        if (!explanation) return;
        box = *explanation;
        robot::PressButton(explanation->hwnd, IDOK);
        auto window = robot::WaitForWindowCaptioned(robot::Owner::Thread(uiThread), kRemoteCaption);
        if (!window) return;
        // While the window is open: the echo of our own push, and a status check.
        caller.Post([&] {
          echo = Notify(browse.Get(), L"brows", L"https://example.com/a b");
          check = Notify(browse.Get(), L"check"), reentered = true;
        });
        robot::WaitUntil([&] { return reentered.load(); });
        windowsWhileOpen = robot::TopLevelWindows(robot::Owner::Thread(uiThread)).size();
        EXPECT_FALSE(returned.load()) << "the push returned before its window was closed";
        robot::CloseAndWait(*window);
      });
  ASSERT_TRUE(driven.callReturnedInTime);
  const std::wstring last = L" Your contact's browser will not pop up with the new URL until you close your browser.";
  EXPECT_EQ(box.icon, robot::Icon::Information);
  EXPECT_EQ(box.text.substr(0, 47), L"If your contact has Duvisto and if it's enabled");
  EXPECT_TRUE(box.text.size() > last.size() && box.text.substr(box.text.size() - last.size()) == last);
  EXPECT_EQ(windowsWhileOpen, 1u);
  EXPECT_TRUE(push.handled == VARIANT_TRUE && push.text == L"\tbrowshttps://example.com/a b");
  EXPECT_TRUE(echo.handled == VARIANT_FALSE && echo.text == L"kept") << "the own echo is swallowed";
  EXPECT_EQ(check.text, kStatusAnswer + L"enabled.");
  // Swallowed once only: the next push is the partner's.
  EXPECT_EQ(Notify(browse.Get(), L"Brows", L"www.example.com:8080/page").text,
            L"/xsurfak47 www.example.com:8080/page");
}

TEST_F(Commands, PartnerPushesThatAreNotPlainWebAddressesAreConsumed) {
  robot::MessageBoxInfo box;
  WithOneBox(L"/xbenable", box);
  EXPECT_EQ(Notify(browse.Get(), L"brows", L"").text, L"/xsurfak47 ");
  EXPECT_EQ(Notify(browse.Get(), L"brows", L"HTTP://example.com").text, L"/xsurfak47 HTTP://example.com");
  const std::vector<std::wstring> hostilePushes = {
      L"file:///C:/Windows/win.ini", L"javascript:alert(1)", L"VBScript:msgbox(1)", L"about:blank",
      L"res://shdocvw.dll/x", L"mk:@MSITStore:x", L"data:text/html,x", L"C:\\Windows", L"\\\\server\\share",
      L"//server/share", L"http://a\r\n/xbdisable", L"www.example.com\x2028/xbenable",
      std::wstring(L"http://a\0b", 10)};
  for (const std::wstring& hostile : hostilePushes) {
    const Outcome refused = Notify(browse.Get(), L"brows", hostile);
    EXPECT_TRUE(refused.handled == VARIANT_TRUE && refused.text == L"kept") << std::string(hostile.begin(), hostile.end());
  }
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
  EXPECT_TRUE(local.handled == VARIANT_TRUE && local.text == L"kept");
  EXPECT_TRUE(nested.handled == VARIANT_TRUE && nested.text == L"kept");
  EXPECT_EQ(captionAfterNested, kRemoteCaption);
  EXPECT_EQ(windowsAfterNested, 1u);
}

TEST_F(Commands, HostReleasingItsLastReferenceDuringAModalBoxDoesNotCutTheCallShort) {
  _Browse* raw = browse.Get();
  robot::MessageBoxInfo box;
  Outcome outcome;
  const auto driven = robot::RunDriven([&] { outcome = Parse(raw, L"/xbenable"); },
                                       [&](DWORD uiThread) {
                                         auto shown = robot::WaitForMessageBox(robot::Owner::Thread(uiThread));
                                         if (!shown) return;
                                         std::atomic<bool> released{false};
                                         caller.Post([&] { browse.Reset(), released = true; });
                                         robot::WaitUntil([&] { return released.load(); });
                                         robot::PressButton(shown->hwnd, IDOK);
                                       });
  ASSERT_TRUE(driven.callReturnedInTime);
  EXPECT_TRUE(SUCCEEDED(outcome.hr) && outcome.handled == VARIANT_TRUE);
}

}  // namespace
