// A page in the window is the partner's choice: what it tries through the control's events and
// host interfaces stays inside the window, and nothing it does around the control can bring the
// host down. The stand-in reports the page's doings to the window as the real control does.
#include <gtest/gtest.h>

#include <exdispid.h>

#include <algorithm>
#include <atomic>
#include <string>

#include "browser_test_support.h"
#include "frm_browser.h"
#include "module.h"
#include "ui_robot.h"

namespace {

using namespace browser_test;
using duvisto::BrowserMode;
using duvisto::OpenOrder;

constexpr DWORD kUserInitiated = 0x2;  // NWMF_USERINITED

// Runs `question` on the window's thread, from inside its loop, and waits for the answer.
template <typename Answer, typename Question>
Answer AskOnUiThread(Question question) {
  std::atomic<bool> done{false};
  Answer answer{};
  StartOnUiThread([&] {
    answer = question();
    done = true;
  });
  EXPECT_TRUE(robot::WaitUntil([&] { return done.load(); })) << "no answer from the window's thread";
  return answer;
}

// Where the page may take the window by itself; the window's own navigations (an open, Go) go
// wherever the user asked, announced inside the Navigate call or later, from the loop.
TEST_F(BrowserWindow, APageGoesOnlyToWebAddressesAndTheWindowsOwnNavigationsGoAnywhere) {
  for (const bool later : {false, true}) {
    g_announceLater = later;
    const auto driver = [&](DWORD ui) {
      const Parts p = WaitForLaidOut(ui, kLocalHeight);
      const auto navigates = [](const wchar_t* address, bool topLevel = true) {
        return AskOnUiThread<bool>([=] { return PageNavigates(address, topLevel); });
      };
      // A frame's navigation is never the window's own, even while that one is still to come.
      EXPECT_FALSE(navigates(L"file:///C:/windows/win.ini", false)) << "a frame, later " << later;
      AskOnUiThread<bool>([] { AnnounceHeld(); return true; });
      // The rule itself is the page rules' native table; here, that the window applies it.
      EXPECT_TRUE(navigates(L"http://127.0.0.1/next.html"));
      EXPECT_TRUE(navigates(L"javascript:void(0)")) << "the page's own script";
      EXPECT_FALSE(navigates(L"file:///C:/windows/win.ini"));
      EXPECT_FALSE(navigates(L"ms-settings:", false)) << "in a frame";
      // Go with a foreign address is the user's own doing: it goes, once; one the control
      // refused leaves nothing for the page to use.
      const auto go = [&](const wchar_t* typed) {
        robot::SetText(p.address, typed);
        robot::PressButton(p.window, GetDlgCtrlID(p.go));
      };
      go(L"refuse:typed");
      go(L"file:///C:/typed.htm");
      EXPECT_TRUE(NavigatedTo({L"ms-settings:", L"refuse:typed", L"file:///C:/typed.htm"}));
      AskOnUiThread<bool>([] { AnnounceHeld(); return true; });
      EXPECT_FALSE(navigates(L"file:///C:/x")) << "the own navigation is taken once";
      go(L"refuse:again");
      EXPECT_TRUE(NavigatedTo({L"ms-settings:", L"refuse:typed", L"file:///C:/typed.htm", L"refuse:again"}));
      EXPECT_FALSE(navigates(L"file:///C:/x")) << "nothing left by a refused one";
      CloseWindow(p.window);
    };
    ResetCalls();
    EXPECT_EQ(Open(BrowserMode::Local, L"ms-settings:", driver), S_OK) << "later " << later;
  }
}

TEST_F(BrowserWindow, NewWindowsOpenOnlyInTheWindowAndOnlyWhenTheUserAskedForThem) {
  const auto driver = [&](DWORD ui) {
    const Parts p = WaitForLaidOut(ui, kLocalHeight);
    const auto opens = [](DISPID event, DWORD flags, const wchar_t* address) {
      return AskOnUiThread<bool>([=] { return NewWindowOpens(event, flags, address); });
    };
    EXPECT_FALSE(opens(DISPID_NEWWINDOW3, 0, L"http://127.0.0.1/popup.html")) << "a script's pop-up";
    EXPECT_FALSE(opens(DISPID_NEWWINDOW3, kUserInitiated, L"file:///C:/windows/win.ini"));
    EXPECT_FALSE(opens(DISPID_NEWWINDOW2, kUserInitiated, L"")) << "no address to judge";
    EXPECT_TRUE(NavigatedTo({L""})) << "none of them navigates";
    EXPECT_FALSE(opens(DISPID_NEWWINDOW3, kUserInitiated, L"http://127.0.0.1/clicked.html"));
    EXPECT_TRUE(NavigatedTo({L"", L"http://127.0.0.1/clicked.html"})) << "a click's new window opens in ours";
    EXPECT_EQ(robot::TopLevelWindows(robot::Owner::Thread(ui)), std::vector<HWND>{p.window});
    CloseWindow(p.window);
  };
  EXPECT_EQ(Open(BrowserMode::Local, L"", driver), S_OK);
}

TEST_F(BrowserWindow, DownloadsOfAPartnersPageAreRefusedAndLeftToTheControlLocally) {
  for (const bool remote : {true, false}) {
    const auto driver = [&](DWORD ui) {
      const Parts p = WaitForLaidOut(ui, remote ? kRemoteHeight : kLocalHeight);
      EXPECT_EQ(AskOnUiThread<bool>([] { return DownloadGoesOn(0); }), !remote) << "a download, remote " << remote;
      EXPECT_TRUE(AskOnUiThread<bool>([] { return DownloadGoesOn(1); })) << "a page to show is no download";
      EXPECT_TRUE(AskOnUiThread<bool>([] { return DownloadGoesOn(-1); })) << "the event cannot tell";
      CloseWindow(p.window);
    };
    EXPECT_EQ(Open(remote ? BrowserMode::LocalAndRemote : BrowserMode::Local, L"", driver), S_OK);
  }
}

TEST_F(BrowserWindow, WindowCloseFromThePageIsRefusedAndLaterPushesStillNavigate) {
  const auto driver = [&](DWORD ui) {
    const Parts p = WaitForLaidOut(ui, kRemoteHeight);
    EXPECT_FALSE(AskOnUiThread<bool>([] { return WindowCloses(); }));
    StartOnUiThread([] { duvisto::OpenBrowserWindow(BrowserMode::LocalAndRemote, L"pushed", OpenOrder::CaptionThenNavigate); });
    EXPECT_TRUE(NavigatedTo({L"first", L"pushed"}));
    EXPECT_TRUE(IsWindow(p.window) && IsWindowVisible(p.window));
    CloseWindow(p.window);
  };
  EXPECT_EQ(Open(BrowserMode::LocalAndRemote, L"first", driver), S_OK);
}

// The page's script boxes: owned by the window, one at a time, none for a partner's page; a
// flood of pushes while one is up still nests no deeper than the window's bound.
TEST_F(BrowserWindow, ScriptBoxesComeOneAtATimeAndNoneFromAPartnersPage) {
  constexpr int kPushes = 40;
  std::atomic<LRESULT> firstAnswer{-5}, secondAnswer{-5};
  std::atomic<int> returned{0}, waiting{0}, deepest{0};
  const auto driver = [&](DWORD ui) {
    const Parts p = WaitForLaidOut(ui, kLocalHeight);
    StartOnUiThread([&] { firstAnswer = PageBox(L"first"); });
    const auto box = robot::WaitForMessageBox(robot::Owner::Thread(ui));
    ASSERT_TRUE(box);
    EXPECT_EQ(box->text, L"first");
    EXPECT_EQ(GetWindow(box->hwnd, GW_OWNER), p.window) << "owned by the window";
    EXPECT_EQ(AskOnUiThread<LRESULT>([] { return PageBox(L"second"); }), IDCANCEL) << "answered at once";
    for (int i = 0; i < kPushes; ++i) {
      StartOnUiThread([&] {
        deepest = std::max(deepest.load(), ++waiting);
        duvisto::OpenBrowserWindow(BrowserMode::Local, L"flood", OpenOrder::CaptionThenNavigate);
        secondAnswer = PageBox(L"inside");
        --waiting;
        ++returned;
      });
    }
    EXPECT_TRUE(robot::WaitUntil([&] { return returned == kPushes - (duvisto::FrmBrowser::kMaxModalDepth - 1); }));
    EXPECT_EQ(secondAnswer, IDCANCEL) << "no second box from inside the first";
    EXPECT_EQ(robot::TopLevelWindows(robot::Owner::Thread(ui), L"#32770").size(), 1u);
    // The box answers once the loops inside it are done, when the window goes.
    EXPECT_TRUE(robot::PressButton(box->hwnd, IDOK));
    CloseWindow(p.window);
    EXPECT_TRUE(robot::WaitUntil([&] { return returned == kPushes; }));
  };
  EXPECT_EQ(Open(BrowserMode::Local, L"", driver), S_OK);
  EXPECT_NE(firstAnswer, -5) << "the first box returned";
  EXPECT_LE(deepest, duvisto::FrmBrowser::kMaxModalDepth);

  const auto remote = [&](DWORD ui) {
    const Parts p = WaitForLaidOut(ui, kRemoteHeight);
    EXPECT_EQ(AskOnUiThread<LRESULT>([] { return PageBox(L"from a partner's page"); }), IDCANCEL);
    EXPECT_TRUE(robot::TopLevelWindows(robot::Owner::Thread(ui), L"#32770").empty());
    CloseWindow(p.window);
  };
  EXPECT_EQ(Open(BrowserMode::LocalAndRemote, L"", remote), S_OK);
}

// A control that keeps its site or its sink past the window keeps the module in use, and what
// it kept refuses the page everything.
TEST_F(BrowserWindow, ASiteOrSinkTheControlKeepsHoldsTheModuleAndRefusesThePage) {
  for (const bool site : {true, false}) {
    g_keepSite = site;
    g_keepSink = !site;
    EXPECT_EQ(Open(BrowserMode::Local, L"", CloseWhenLaidOut(kLocalHeight)), S_OK);
    EXPECT_TRUE(duvisto::ModuleInUse()) << "kept " << (site ? "site" : "sink");
    if (site) {
      EXPECT_EQ(PageBox(L"after the window"), IDCANCEL);
      EXPECT_TRUE(robot::TopLevelWindows(robot::Owner::Thread(GetCurrentThreadId()), L"#32770").empty());
      g_site.Reset();
    } else {
      EXPECT_FALSE(PageNavigates(L"http://127.0.0.1/", false));
      EXPECT_FALSE(WindowCloses());
      g_sink.Reset();
    }
    EXPECT_FALSE(duvisto::ModuleInUse()) << "once the control lets go";
    g_keepSite = g_keepSink = false;
  }
}

// Access violations seen on any thread: one inside a window procedure may be swallowed by the
// system (Wine as 64-bit Windows) and leave no other trace.
std::atomic<int> g_accessViolations{0};
LONG CALLBACK CountAccessViolations(EXCEPTION_POINTERS* exception) {
  if (exception->ExceptionRecord->ExceptionCode == EXCEPTION_ACCESS_VIOLATION) ++g_accessViolations;
  return EXCEPTION_CONTINUE_SEARCH;
}

// The control may run the page's script or a loop inside any call the window makes into it; a
// push nested there and the user's close leave the window without its controls by the time the
// call returns.
TEST_F(BrowserWindow, AWindowClosedInsideACallIntoTheControlIsNotTouchedAfterIt) {
  const struct Watch {
    Watch() : handler(AddVectoredExceptionHandler(1, CountAccessViolations)) {}
    ~Watch() { RemoveVectoredExceptionHandler(handler); }
    void* handler;
  } watch;
  std::function<void()>* const hooks[] = {&g_onFrameActivate, &g_onUiActivate, &g_onKey};
  for (std::function<void()>* hook : hooks) {
    HWND window = nullptr;
    HRESULT nested = E_PENDING;
    const auto driver = [&](DWORD ui) {
      const Parts p = WaitForLaidOut(ui, kLocalHeight);
      window = p.window;
      *hook = [&] {
        PostMessageW(window, WM_CLOSE, 0, 0);
        nested = duvisto::OpenBrowserWindow(BrowserMode::LocalAndRemote, L"nested", OpenOrder::CaptionThenNavigate);
      };
      if (hook == &g_onKey) {
        robot::PostKey(g_browser, VK_TAB);
      } else {
        // Activation reaches OnFrameWindowActivate and, the focus going back to the page, UIActivate.
        SendMessageTimeoutW(p.window, WM_ACTIVATE, WA_ACTIVE, 0, SMTO_NORMAL, 5000, nullptr);
      }
      EXPECT_TRUE(robot::WaitUntil([&] { return !IsWindow(p.window); }));
    };
    EXPECT_EQ(Open(BrowserMode::Local, L"", driver), S_OK);
    EXPECT_EQ(nested, S_OK);
    EXPECT_EQ(g_outlivedHook, 1) << "the control outlived the call the window made into it";
    EXPECT_EQ(g_accessViolations, 0);
    g_outlivedHook = -1;
    ResetCalls();
  }
}

}  // namespace
