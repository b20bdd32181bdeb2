// Every chat command and notification through the real DLL, with its boxes and its browser
// window read and closed by the UI robot, including calls that arrive from the modal loops.
#include <gtest/gtest.h>

#include <atomic>
#include <vector>

#include "plugin_test_support.h"
#include "ui_robot.h"
#include "ui_thread_caller.h"

using namespace plugin_test;

namespace {

constexpr wchar_t kLocalCaption[] = L"Internet browser (local)";
constexpr wchar_t kRemoteCaption[] = L"Internet browser (local & remote)";
const std::wstring kStatusPrefix =
    L"I have Messenger Plus! and morvane12's Duvisto plug-in (v1.0.0). My remote browsing status is \x02";

struct Outcome {
  HRESULT hr = E_UNEXPECTED;
  VARIANT_BOOL handled = 7;
  std::wstring result;
};

class Commands : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_HRESULT_SUCCEEDED(CreateByProgId(browse));
    VARIANT_BOOL ready = 0;
    ASSERT_HRESULT_SUCCEEDED(browse->Initialize(2053, nullptr, nullptr, &ready));
  }

  static Outcome Parse(_Browse* object, const std::wstring& command, const std::wstring& argument = L"",
                       const wchar_t* resultIn = L"kept") {
    Outcome outcome;
    Bstr result(resultIn);
    outcome.hr = object->ParseCommand(Bstr(command.c_str(), static_cast<UINT>(command.size())).get(),
                                      Bstr(argument.c_str(), static_cast<UINT>(argument.size())).get(), nullptr,
                                      result.put(), &outcome.handled);
    outcome.result = result.str();
    return outcome;
  }
  Outcome Parse(const std::wstring& command, const std::wstring& argument = L"") {
    return Parse(browse.Get(), command, argument);
  }

  static Outcome Notify(_Browse* object, const std::wstring& code, const std::wstring& text) {
    Outcome outcome;
    Bstr toSend(L"kept");
    outcome.hr = object->ReceiveNotify(Bstr(code.c_str(), static_cast<UINT>(code.size())).get(),
                                       Bstr(text.c_str(), static_cast<UINT>(text.size())).get(), Bstr(L"B").get(),
                                       nullptr, toSend.put(), &outcome.handled);
    outcome.result = toSend.str();
    return outcome;
  }
  Outcome Notify(const std::wstring& code, const std::wstring& text) { return Notify(browse.Get(), code, text); }
  std::wstring Status() { return Notify(L"check", L"").result.substr(kStatusPrefix.size()); }

  // Runs a command that shows one box: the driver reads it, optionally runs `whileOpen` on the
  // apartment thread (from the box's own loop), and presses OK.
  Outcome ParseWithOneBox(const std::wstring& command, robot::MessageBoxInfo& seen,
                          const std::function<void()>& whileOpen = nullptr) {
    Outcome outcome;
    const UiThreadCaller caller;
    const auto driven = robot::RunDriven([&] { outcome = Parse(command); },
                                         [&](DWORD uiThread) {
                                           auto box = robot::WaitForMessageBox(robot::Owner::Thread(uiThread));
                                           if (!box) return;
                                           seen = *box;
                                           if (whileOpen) caller.Run(whileOpen);
                                           robot::PressButton(box->hwnd, IDOK);
                                         });
    EXPECT_TRUE(driven.callReturnedInTime) << "a box was left open";
    return outcome;
  }

  static std::optional<HWND> BrowserWindow(DWORD uiThread, const wchar_t* caption) {
    std::optional<HWND> found;
    robot::WaitUntil([&] {
      for (HWND window : robot::TopLevelWindows(robot::Owner::Thread(uiThread)))
        if (robot::WindowText(window) == caption) found = window;
      return found.has_value();
    });
    return found;
  }

  static int VisibleWindowCount(DWORD uiThread) {
    return static_cast<int>(robot::TopLevelWindows(robot::Owner::Thread(uiThread)).size());
  }

  ComPtr<_Browse> browse;
};

TEST_F(Commands, SwitchesAndStatusBoxesChangeTheStatusOnlyOnceDismissed) {
  robot::MessageBoxInfo box;
  std::wstring statusWhileOpen;
  Outcome enable = ParseWithOneBox(L"/XbEnAbLe", box, [&] { statusWhileOpen = Status(); });
  EXPECT_EQ(enable.handled, VARIANT_TRUE);
  EXPECT_EQ(enable.result, L"kept");
  EXPECT_EQ(box.title, L"Duvisto");
  EXPECT_EQ(box.text, L"You have enabled your remote browsing.");
  EXPECT_EQ(box.icon, robot::Icon::Information);
  EXPECT_EQ(statusWhileOpen, L"disabled.");
  EXPECT_EQ(Status(), L"enabled.");

  ParseWithOneBox(L"/xbchkmy", box);
  EXPECT_EQ(box.text, L"Remote browsing is enabled.");
  EXPECT_EQ(box.icon, robot::Icon::Information);

  Outcome disable = ParseWithOneBox(L"/xbdisable", box, [&] { statusWhileOpen = Status(); });
  EXPECT_EQ(disable.handled, VARIANT_TRUE);
  EXPECT_EQ(box.text, L"You have disabled your remote browsing.");
  EXPECT_EQ(box.icon, robot::Icon::None);
  EXPECT_EQ(statusWhileOpen, L"enabled.");
  EXPECT_EQ(Status(), L"disabled.");

  ParseWithOneBox(L"/xbabout", box);
  EXPECT_EQ(box.title, L"About Duvisto");
  EXPECT_EQ(box.icon, robot::Icon::Information);
  EXPECT_EQ(box.text.substr(0, 29), L"Duvisto v1.0.0 by morvane12\r\n");
  EXPECT_NE(box.text.find(L"\r\nTesters: Irva, Korvalen\r\nInstaller by: Tovu"), std::wstring::npos);

  // Another object keeps its own status.
  ComPtr<_Browse> other;
  ASSERT_HRESULT_SUCCEEDED(CreateByProgId(other));
  ParseWithOneBox(L"/xbenable", box);
  EXPECT_EQ(Notify(other.Get(), L"check", L"").result, kStatusPrefix + L".");
}

TEST_F(Commands, PushWhileDisabledOnlyExplains) {
  robot::MessageBoxInfo box;
  const Outcome push = ParseWithOneBox(L"/xnewurl", box);
  EXPECT_EQ(push.handled, VARIANT_TRUE);
  EXPECT_EQ(push.result, L"kept");
  EXPECT_EQ(box.text, L"Your remote browsing is disabled. Enable remote browsing (/xbenable) and try again.");
  EXPECT_EQ(box.icon, robot::Icon::None);
}

TEST_F(Commands, PushExplainsOpensTheSharedWindowAndHandsOverTheNotificationOnlyWhenClosed) {
  robot::MessageBoxInfo box;
  ParseWithOneBox(L"/xbenable", box);

  std::atomic<bool> returned{false};
  Outcome push, echo, check;
  int windowsWhileOpen = 0;
  const UiThreadCaller caller;
  const auto driven = robot::RunDriven(
      [&] {
        push = Parse(L"/xnewurl", L"https://example.com/a b");
        returned = true;
      },
      [&](DWORD uiThread) {
        auto explanation = robot::WaitForMessageBox(robot::Owner::Thread(uiThread));
        if (!explanation) return;
        box = *explanation;
        robot::PressButton(explanation->hwnd, IDOK);
        auto window = BrowserWindow(uiThread, kRemoteCaption);
        if (!window) return;
        // Calls that arrive while the window is open: the echo of our own push, and a check.
        caller.Run([&] {
          echo = Notify(L"brows", L"https://example.com/a b");
          check = Notify(L"check", L"");
        });
        windowsWhileOpen = VisibleWindowCount(uiThread);
        EXPECT_FALSE(returned.load()) << "the push returned before its window was closed";
        robot::CloseAndWait(*window);
      });
  ASSERT_TRUE(driven.callReturnedInTime);
  EXPECT_EQ(box.icon, robot::Icon::Information);
  EXPECT_EQ(box.text.substr(0, 47), L"If your contact has Duvisto and if it's enabled");
  const std::wstring lastSentence =
      L" Your contact's browser will not pop up with the new URL until you close your browser.";
  ASSERT_GT(box.text.size(), lastSentence.size());
  EXPECT_EQ(box.text.substr(box.text.size() - lastSentence.size()), lastSentence);
  EXPECT_EQ(windowsWhileOpen, 1);
  EXPECT_EQ(push.handled, VARIANT_TRUE);
  EXPECT_EQ(push.result, L"\tbrowshttps://example.com/a b");
  EXPECT_EQ(echo.handled, VARIANT_FALSE) << "the own echo is swallowed";
  EXPECT_EQ(echo.result, L"kept");
  EXPECT_EQ(check.result, kStatusPrefix + L"enabled.");

  // Only once: the next push is the partner's.
  const Outcome partner = Notify(L"Brows", L"www.example.com:8080/page");
  EXPECT_EQ(partner.handled, VARIANT_TRUE);
  EXPECT_EQ(partner.result, L"/xsurfak47 www.example.com:8080/page");
}

TEST_F(Commands, PartnerPushesThatAreNotPlainWebAddressesAreConsumed) {
  robot::MessageBoxInfo box;
  ParseWithOneBox(L"/xbenable", box);
  EXPECT_EQ(Notify(L"brows", L"").result, L"/xsurfak47 ");
  EXPECT_EQ(Notify(L"brows", L"HTTP://example.com").result, L"/xsurfak47 HTTP://example.com");
  const std::vector<std::wstring> hostilePushes = {
       L"file:///C:/Windows/win.ini", L"javascript:alert(1)", L"VBScript:msgbox(1)", L"about:blank",
        L"res://shdocvw.dll/x", L"mk:@MSITStore:x", L"data:text/html,x", L"C:\\Windows", L"\\\\server\\share",
        L"//server/share", L"http://a\r\n/xbdisable", L"www.example.com\x2028/xbenable",
        std::wstring(L"http://a\0b", 10)};
  for (const std::wstring& hostile : hostilePushes) {
    const Outcome refused = Notify(L"brows", hostile);
    EXPECT_EQ(refused.handled, VARIANT_TRUE);
    EXPECT_EQ(refused.result, L"kept") << std::string(hostile.begin(), hostile.end());
  }
}

TEST_F(Commands, BrowserCommandsOpenOneWindowAndNestedOpensReuseIt) {
  Outcome local, nested;
  std::atomic<bool> nestedReturned{false};
  std::wstring captionAfterNested;
  int windowsAfterNested = 0;
  const UiThreadCaller caller;
  const auto driven = robot::RunDriven(
      [&] { local = Parse(L"/XBROWSER", L"www.example.com"); },
      [&](DWORD uiThread) {
        auto window = BrowserWindow(uiThread, kLocalCaption);
        if (!window) return;
        // A pushed address arrives while the local window is open.
        caller.Post([&] {
          nested = Parse(browse.Get(), L"/xsurfak47", L"www.example.org");
          nestedReturned = true;
        });
        robot::WaitUntil([&] { return robot::WindowText(*window) == kRemoteCaption; }, std::chrono::seconds(2));
        captionAfterNested = robot::WindowText(*window);
        windowsAfterNested = VisibleWindowCount(uiThread);
        robot::CloseAndWait(*window);
        robot::WaitUntil([&] { return nestedReturned.load(); });
      },
      std::chrono::seconds(40));
  ASSERT_TRUE(driven.callReturnedInTime);
  EXPECT_EQ(local.handled, VARIANT_TRUE);
  EXPECT_EQ(local.result, L"kept");
  EXPECT_EQ(nested.handled, VARIANT_TRUE);
  EXPECT_EQ(nested.result, L"kept");
  EXPECT_EQ(captionAfterNested, kRemoteCaption);
  EXPECT_EQ(windowsAfterNested, 1);
}

TEST_F(Commands, HostReleasingItsLastReferenceDuringAModalBoxDoesNotCutTheCallShort) {
  _Browse* raw = browse.Get();
  Outcome outcome;
  const UiThreadCaller caller;
  const auto driven = robot::RunDriven([&] { outcome = Parse(raw, L"/xbenable"); },
                                       [&](DWORD uiThread) {
                                         auto box = robot::WaitForMessageBox(robot::Owner::Thread(uiThread));
                                         if (!box) return;
                                         caller.Run([&] { browse.Reset(); });
                                         robot::PressButton(box->hwnd, IDOK);
                                       });
  ASSERT_TRUE(driven.callReturnedInTime);
  EXPECT_HRESULT_SUCCEEDED(outcome.hr);
  EXPECT_EQ(outcome.handled, VARIANT_TRUE);
}

}  // namespace
