// The browser window, driven for real under Wine: the open operation, both layouts, Go and
// Enter, re-activation, re-entry and failures. The web-browser class is treated as the
// recording stand-in, so every Navigate argument is seen exactly as the window passed it.
#include <gtest/gtest.h>

#include <chrono>
#include <iostream>

#include "browser/frm_browser.h"
#include "recording_browser.h"
#include "server/module.h"
#include "ui_robot.h"

namespace {

using duvisto::BrowserMode;
using duvisto::OpenBrowserWindow;
using duvisto::OpenOrder;
using robot::TwipsToPixelsX;
using robot::TwipsToPixelsY;
using namespace std::chrono_literals;

// {8856F961-340A-11D0-A96B-00C04FD705A2}
constexpr CLSID kWebBrowserClsid = {0x8856F961, 0x340A, 0x11D0, {0xA9, 0x6B, 0x00, 0xC0, 0x4F, 0xD7, 0x05, 0xA2}};
// {0B2D1E9C-6F7A-4E59-8C1D-2A3B4C5D6E7F}: registered nowhere.
constexpr CLSID kUnregisteredClsid = {0x0b2d1e9c, 0x6f7a, 0x4e59, {0x8c, 0x1d, 0x2a, 0x3b, 0x4c, 0x5d, 0x6e, 0x7f}};

constexpr wchar_t kLocal[] = L"Internet browser (local)";
constexpr wchar_t kLocalAndRemote[] = L"Internet browser (local & remote)";
constexpr wchar_t kWarning[] =
    L"Important: If you click a link or type an address above, your contact's browser will NOT follow you. "
    L"You must use the /xnewurl command, if you want your contact to see the same page! If you want to go to "
    L"the URL of a link, right click on the link, click properties, copy the link and paste it after the "
    L"/xnewurl command.";

RECT TwipsBox(int left, int top, int width, int height) {
  return {TwipsToPixelsX(left), TwipsToPixelsY(top), TwipsToPixelsX(left + width), TwipsToPixelsY(top + height)};
}

bool SameRect(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}
std::string Show(const RECT& r) {
  return "(" + std::to_string(r.left) + "," + std::to_string(r.top) + ")-(" + std::to_string(r.right) + "," +
         std::to_string(r.bottom) + ")";
}

int OuterHeight(HWND window) {
  const RECT r = robot::WindowRectOnScreen(window);
  return r.bottom - r.top;
}

// <build>/screenshots/<name>-<dpi>dpi.bmp
std::wstring ScreenshotPath(const wchar_t* name) {
  wchar_t exe[MAX_PATH];
  GetModuleFileNameW(nullptr, exe, MAX_PATH);
  std::wstring folder(exe);
  folder = folder.substr(0, folder.find_last_of(L'\\')) + L"\\..\\screenshots";
  CreateDirectoryW(folder.c_str(), nullptr);
  return folder + L"\\" + name + L"-" + std::to_wstring(TwipsToPixelsY(1440)) + L"dpi.bmp";
}

// The parts of a shown browser window, found the way a user sees them.
struct Parts {
  HWND window = nullptr, address = nullptr, go = nullptr, label = nullptr;
};
Parts FindParts(HWND window) {
  return {window, robot::FindChild(window, L"Edit", L""), robot::FindChild(window, L"Button", L"GO"),
          robot::FindChild(window, L"Static", kWarning)};
}

// Waits for the thread's browser window and for its activation to have laid it out.
std::optional<Parts> WaitForLaidOutWindow(DWORD uiThread, int expectedHeightTwips) {
  const auto window = robot::WaitForWindow(robot::Owner::Thread(uiThread));
  if (!window) return std::nullopt;
  if (!robot::WaitUntil([&] { return OuterHeight(*window) == TwipsToPixelsY(expectedHeightTwips); })) {
    ADD_FAILURE() << "outer height " << OuterHeight(*window) << ", expected " << TwipsToPixelsY(expectedHeightTwips);
  }
  return FindParts(*window);
}

bool NavigatedTo(const std::vector<std::wstring>& expected) {
  return robot::WaitUntil([&] { return RecordedNavigations() == expected; });
}

class BrowserWindow : public testing::Test {
 protected:
  static void SetUpTestSuite() { ASSERT_EQ(RecordingBrowserRegister(), S_OK); }
  static void TearDownTestSuite() { RecordingBrowserUnregister(); }

  void SetUp() override {
    ASSERT_EQ(CoInitialize(nullptr), S_OK);
    ASSERT_EQ(CoTreatAsClass(kWebBrowserClsid, kRecordingBrowserClsid), S_OK);
    RecordingBrowserClear();
  }
  void TearDown() override {
    CoTreatAsClass(kWebBrowserClsid, CLSID_NULL);
    EXPECT_FALSE(duvisto::ModuleInUse()) << "a window is still loaded";
    EXPECT_EQ(RecordingBrowserLiveObjects(), 0) << "the control was not released";
    EXPECT_EQ(RecordingBrowserRejectedCalls(), 0);
    CoUninitialize();
  }

  // Opens the window on this thread and runs `driver` against it; the open must return S_OK,
  // and only after the driver has closed the window.
  void OpenAndDrive(BrowserMode mode, const std::wstring& address, OpenOrder order,
                    const std::function<void(DWORD uiThread)>& driver) {
    HRESULT result = E_PENDING;
    const auto run = robot::RunDriven(
        [&] {
          opened_ = std::chrono::steady_clock::now();
          returned_ = false;
          result = OpenBrowserWindow(mode, address, order);
          returned_ = true;
        },
        driver);
    EXPECT_TRUE(run.callReturnedInTime) << "the window had to be closed by force";
    EXPECT_EQ(result, S_OK);
  }

  // Closes the window after checking that the open call is still waiting for that.
  void CloseWindow(HWND window) {
    EXPECT_FALSE(robot::WaitUntil([&] { return returned_.load(); }, 300ms)) << "open returned while shown";
    EXPECT_TRUE(duvisto::ModuleInUse()) << "a loaded window holds the module";
    EXPECT_TRUE(robot::CloseAndWait(window));
  }

  std::chrono::steady_clock::time_point opened_;
  std::atomic<bool> returned_{false};
};

TEST_F(BrowserWindow, LocalAndRemoteShowsTheWarningWithAddressAndGoDisabled) {
  OpenAndDrive(BrowserMode::LocalAndRemote, L"  www.example.com/a b ", OpenOrder::NavigateThenCaption, [&](DWORD ui) {
    EXPECT_TRUE(robot::WaitForWindow(robot::Owner::Thread(ui)));
    const auto took = std::chrono::steady_clock::now() - opened_;
    std::cout << "open to visible: " << std::chrono::duration_cast<std::chrono::milliseconds>(took).count()
              << " ms\n";
    const auto parts = WaitForLaidOutWindow(ui, 9630);
    ASSERT_TRUE(parts && parts->address && parts->go && parts->label);
    const HWND window = parts->window;

    EXPECT_EQ(robot::WindowText(window), kLocalAndRemote);
    const LONG style = GetWindowLongW(window, GWL_STYLE);
    EXPECT_EQ(style & (WS_CAPTION | WS_SYSMENU), WS_CAPTION | WS_SYSMENU);
    EXPECT_EQ(style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX), 0);
    EXPECT_EQ(GetMenu(window), nullptr);
    EXPECT_EQ(robot::ClientRectOf(window).right, TwipsToPixelsX(10965)) << "width kept from creation";

    EXPECT_TRUE(SameRect(robot::ChildRectInClient(parts->address), TwipsBox(120, 8160, 9855, 345)))
        << Show(robot::ChildRectInClient(parts->address));
    EXPECT_TRUE(SameRect(robot::ChildRectInClient(parts->go), TwipsBox(10080, 8160, 735, 345)));
    EXPECT_TRUE(SameRect(robot::ChildRectInClient(parts->label), TwipsBox(120, 8520, 10815, 615)));
    EXPECT_TRUE(SameRect(robot::ChildRectInClient(RecordingBrowserWindow()), TwipsBox(0, 0, 10935, 8055)))
        << Show(robot::ChildRectInClient(RecordingBrowserWindow()));
    EXPECT_EQ(GetParent(RecordingBrowserWindow()), window);

    EXPECT_FALSE(IsWindowEnabled(parts->address));
    EXPECT_FALSE(IsWindowEnabled(parts->go));
    EXPECT_TRUE(IsWindowEnabled(RecordingBrowserWindow())) << "links in the page can still be followed";
    EXPECT_EQ(robot::WindowText(parts->address), L"") << "the address box is not filled in";
    EXPECT_LE(robot::ChildRectInClient(parts->label).bottom, robot::ClientRectOf(window).bottom)
        << "warning fully visible";
    EXPECT_TRUE(NavigatedTo({L"  www.example.com/a b "})) << "passed unchanged";

    std::vector<HWND> tabOrder;
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
      tabOrder.push_back(child);
    }
    EXPECT_EQ(tabOrder, (std::vector<HWND>{RecordingBrowserWindow(), parts->address, parts->go, parts->label}));

    LOGFONTW font{};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(parts->address, WM_GETFONT, 0, 0)), sizeof font, &font);
    EXPECT_STREQ(font.lfFaceName, L"MS Sans Serif");
    EXPECT_EQ(font.lfHeight, -MulDiv(12, TwipsToPixelsY(1440), 72));
    EXPECT_EQ(font.lfWeight, FW_NORMAL);
    EXPECT_EQ(font.lfCharSet, ANSI_CHARSET);
    EXPECT_FALSE(font.lfItalic || font.lfUnderline || font.lfStrikeOut);

    HDC dc = CreateCompatibleDC(nullptr);
    SendMessageW(window, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(parts->label));
    EXPECT_EQ(GetTextColor(dc), RGB(255, 0, 0)) << "the warning is red";
    DeleteDC(dc);

    robot::SaveScreenshot(window, ScreenshotPath(L"browser-remote-standin"));
    CloseWindow(window);
  });
}

TEST_F(BrowserWindow, LocalHidesTheWarningAndGoAndEnterNavigateToTheTypedText) {
  OpenAndDrive(BrowserMode::Local, L"", OpenOrder::CaptionThenNavigate, [&](DWORD ui) {
    const auto parts = WaitForLaidOutWindow(ui, 9015);
    ASSERT_TRUE(parts && parts->address && parts->go && parts->label);
    EXPECT_EQ(robot::WindowText(parts->window), kLocal);
    const RECT label = robot::ChildRectInClient(parts->label);
    const LONG clientBottom = robot::ClientRectOf(parts->window).bottom;
    EXPECT_TRUE(label.top < clientBottom && clientBottom < label.bottom) << "warning cut off, not gone";
    EXPECT_TRUE(IsWindowEnabled(parts->address));
    EXPECT_TRUE(IsWindowEnabled(parts->go));
    EXPECT_TRUE(NavigatedTo({L""})) << "an empty address is navigated to as it is";
    EXPECT_EQ(robot::FocusedWindow(ui), RecordingBrowserWindow()) << "the first control has the focus";

    // Keys inside the page are the control's; the window's dialog keys do not take them.
    robot::PostKey(RecordingBrowserWindow(), VK_TAB);
    EXPECT_TRUE(robot::WaitUntil([] { return RecordingBrowserKeysOffered() >= 2; }));
    EXPECT_EQ(robot::FocusedWindow(ui), RecordingBrowserWindow());

    robot::SetText(parts->address, L"http://typed.example/");
    robot::PressButton(parts->window, GetDlgCtrlID(parts->go));
    EXPECT_TRUE(NavigatedTo({L"", L"http://typed.example/"}));

    // A click puts the focus into the address box; Enter there is Go, Tab moves on to Go.
    PostMessageW(parts->address, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    PostMessageW(parts->address, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
    EXPECT_TRUE(robot::WaitUntil([&] { return robot::FocusedWindow(ui) == parts->address; }));
    robot::SetText(parts->address, L"enter.example");
    robot::PostKey(parts->address, VK_RETURN);
    EXPECT_TRUE(NavigatedTo({L"", L"http://typed.example/", L"enter.example"}));
    robot::PostKey(parts->address, VK_TAB);
    EXPECT_TRUE(robot::WaitUntil([&] { return robot::FocusedWindow(ui) == parts->go; }));

    robot::SetText(parts->address, L"");
    robot::PressButton(parts->window, GetDlgCtrlID(parts->go));
    EXPECT_TRUE(NavigatedTo({L"", L"http://typed.example/", L"enter.example", L""}));
    EXPECT_EQ(robot::WindowText(parts->window), kLocal) << "Go touches nothing else";

    robot::SaveScreenshot(parts->window, ScreenshotPath(L"browser-local-standin"));
    CloseWindow(parts->window);
  });
}

TEST_F(BrowserWindow, WindowClosedInLocalAndRemoteModeComesBackLocalAndUsable) {
  OpenAndDrive(BrowserMode::LocalAndRemote, L"first", OpenOrder::CaptionThenNavigate, [&](DWORD ui) {
    const auto parts = WaitForLaidOutWindow(ui, 9630);
    ASSERT_TRUE(parts && parts->address);
    EXPECT_FALSE(IsWindowEnabled(parts->address));
    CloseWindow(parts->window);
  });
  OpenAndDrive(BrowserMode::Local, L"second", OpenOrder::NavigateThenCaption, [&](DWORD ui) {
    const auto parts = WaitForLaidOutWindow(ui, 9015);
    ASSERT_TRUE(parts && parts->address && parts->go);
    EXPECT_TRUE(IsWindowEnabled(parts->address));
    EXPECT_TRUE(IsWindowEnabled(parts->go));
    EXPECT_EQ(robot::WindowText(parts->address), L"");
    CloseWindow(parts->window);
  });
  EXPECT_EQ(RecordedNavigations(), (std::vector<std::wstring>{L"first", L"second"}));
}

TEST_F(BrowserWindow, EachActivationLaysOutFromTheExactCaption) {
  OpenAndDrive(BrowserMode::LocalAndRemote, L"x", OpenOrder::CaptionThenNavigate, [&](DWORD ui) {
    const auto parts = WaitForLaidOutWindow(ui, 9630);
    ASSERT_TRUE(parts && parts->address && parts->go);
    const RECT before = robot::WindowRectOnScreen(parts->window);
    for (const wchar_t* caption : {L"Internet browser (Local & Remote)", L"Internet browser (local & remote) ",
                                   L"internet browser (local & remote)", kLocal}) {
      robot::SetText(parts->window, caption);
      ASSERT_TRUE(robot::Reactivate(parts->window));
      EXPECT_TRUE(robot::WaitUntil([&] { return OuterHeight(parts->window) == TwipsToPixelsY(9015); }))
          << "caption " << testing::PrintToString(std::wstring(caption));
      EXPECT_FALSE(IsWindowEnabled(parts->address)) << "never enabled again";
      EXPECT_FALSE(IsWindowEnabled(parts->go));
      robot::SetText(parts->window, kLocalAndRemote);
      ASSERT_TRUE(robot::Reactivate(parts->window));
      EXPECT_TRUE(robot::WaitUntil([&] { return OuterHeight(parts->window) == TwipsToPixelsY(9630); }));
    }
    const RECT after = robot::WindowRectOnScreen(parts->window);
    EXPECT_TRUE(before.left == after.left && before.top == after.top && before.right == after.right)
        << "position and width stay";
    CloseWindow(parts->window);
  });
}

// A window of the UI thread that opens the browser window again from the modal loop, as the
// host does when a command comes in while the window is shown.
struct Reentry {
  static constexpr UINT kOpen = WM_APP + 1;
  static inline HRESULT result = E_PENDING;
  static inline std::atomic<bool> returned{false};
  static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != kOpen) return DefWindowProcW(window, message, wParam, lParam);
    result = OpenBrowserWindow(BrowserMode::Local, L"nested", OpenOrder::CaptionThenNavigate);
    returned = true;
    return 0;
  }
};

TEST_F(BrowserWindow, OpenFromTheModalLoopActsOnTheShownWindow) {
  WNDCLASSW reentryClass{};
  reentryClass.lpfnWndProc = Reentry::Proc;
  reentryClass.hInstance = GetModuleHandleW(nullptr);
  reentryClass.lpszClassName = L"BrowserReentry";
  RegisterClassW(&reentryClass);
  HWND host = CreateWindowExW(0, L"BrowserReentry", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
  ASSERT_NE(host, nullptr);
  Reentry::returned = false;

  OpenAndDrive(BrowserMode::LocalAndRemote, L"outer", OpenOrder::CaptionThenNavigate, [&](DWORD ui) {
    const auto parts = WaitForLaidOutWindow(ui, 9630);
    ASSERT_TRUE(parts);
    PostMessageW(host, Reentry::kOpen, 0, 0);
    EXPECT_TRUE(NavigatedTo({L"outer", L"nested"}));
    EXPECT_TRUE(robot::WaitUntil([&] { return robot::WindowText(parts->window) == kLocal; }));
    EXPECT_EQ(robot::TopLevelWindows(robot::Owner::Thread(ui)), std::vector<HWND>{parts->window})
        << "no second window";
    EXPECT_FALSE(Reentry::returned);
    CloseWindow(parts->window);
    EXPECT_TRUE(robot::WaitUntil([] { return Reentry::returned.load(); }));
  });
  EXPECT_EQ(Reentry::result, S_OK);
  DestroyWindow(host);
}

TEST_F(BrowserWindow, IsOwnedByThePluginsActiveWindowOnly) {
  // A window of this module (the plug-in's own) is active: it owns the browser window and is
  // disabled while that is shown.
  HWND own = CreateWindowExW(0, L"STATIC", L"own", WS_OVERLAPPED | WS_VISIBLE, 0, 0, 100, 100, nullptr, nullptr,
                             GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(own, nullptr);
  SetActiveWindow(own);
  OpenAndDrive(BrowserMode::Local, L"owned", OpenOrder::CaptionThenNavigate, [&](DWORD ui) {
    const auto window = robot::WaitForWindow(robot::Owner::Thread(ui), nullptr, robot::kDefaultWait, {own});
    ASSERT_TRUE(window);
    EXPECT_EQ(GetWindow(*window, GW_OWNER), own);
    EXPECT_FALSE(IsWindowEnabled(own));
    CloseWindow(*window);
  });
  EXPECT_TRUE(IsWindowEnabled(own));
  DestroyWindow(own);

  // The host's window is not the plug-in's: no owner.
  HWND host = CreateWindowExW(0, L"STATIC", L"host", WS_OVERLAPPED | WS_VISIBLE, 0, 0, 100, 100, nullptr, nullptr,
                              nullptr, nullptr);
  ASSERT_NE(host, nullptr);
  SetActiveWindow(host);
  OpenAndDrive(BrowserMode::Local, L"not owned", OpenOrder::CaptionThenNavigate, [&](DWORD ui) {
    const auto window = robot::WaitForWindow(robot::Owner::Thread(ui), nullptr, robot::kDefaultWait, {host});
    ASSERT_TRUE(window);
    EXPECT_EQ(GetWindow(*window, GW_OWNER), nullptr);
    CloseWindow(*window);
  });
  DestroyWindow(host);
}

TEST_F(BrowserWindow, FailingStepsEndTheOpenAndLeaveWhatWasDone) {
  // Navigate fails: the window stays loaded with its new caption, not shown.
  HRESULT result = S_OK;
  auto run = robot::RunDriven(
      [&] { result = OpenBrowserWindow(BrowserMode::Local, L"refuse:this", OpenOrder::CaptionThenNavigate); },
      [](DWORD) {}, 5s);
  EXPECT_TRUE(run.callReturnedInTime);
  EXPECT_EQ(result, E_ACCESSDENIED);
  EXPECT_TRUE(duvisto::ModuleInUse()) << "still loaded";
  // The next open goes on with the loaded window.
  OpenAndDrive(BrowserMode::LocalAndRemote, L"next", OpenOrder::NavigateThenCaption, [&](DWORD ui) {
    const auto parts = WaitForLaidOutWindow(ui, 9630);
    ASSERT_TRUE(parts);
    EXPECT_EQ(robot::WindowText(parts->window), kLocalAndRemote);
    CloseWindow(parts->window);
  });
  EXPECT_EQ(RecordedNavigations(), (std::vector<std::wstring>{L"refuse:this", L"next"}));

  // The control cannot be created: the load fails and nothing is left loaded or shown.
  ASSERT_EQ(CoTreatAsClass(kWebBrowserClsid, kUnregisteredClsid), S_OK);
  run = robot::RunDriven(
      [&] { result = OpenBrowserWindow(BrowserMode::Local, L"x", OpenOrder::CaptionThenNavigate); }, [](DWORD) {},
      5s);
  EXPECT_TRUE(run.callReturnedInTime);
  EXPECT_TRUE(FAILED(result));
  EXPECT_TRUE(robot::TopLevelWindows(robot::Owner::Thread(GetCurrentThreadId())).empty());
}

// The platform's own control, as production runs it (no page renders without Gecko).
TEST(RealBrowserControl, IsHostedInPlaceInItsBox) {
  ASSERT_EQ(CoInitialize(nullptr), S_OK);
  std::cout << "display: " << TwipsToPixelsX(1440) << " x " << TwipsToPixelsY(1440) << " DPI\n";
  for (const BrowserMode mode : {BrowserMode::LocalAndRemote, BrowserMode::Local}) {
    const bool remote = mode == BrowserMode::LocalAndRemote;
    HRESULT result = E_PENDING;
    const auto opened = std::chrono::steady_clock::now();
    const auto run = robot::RunDriven([&] { result = OpenBrowserWindow(mode, L"about:blank", OpenOrder::CaptionThenNavigate); },
                                      [&](DWORD ui) {
                                        const auto parts = WaitForLaidOutWindow(ui, remote ? 9630 : 9015);
                                        std::cout << "open to laid out (real control): "
                                                  << std::chrono::duration_cast<std::chrono::milliseconds>(
                                                         std::chrono::steady_clock::now() - opened)
                                                         .count()
                                                  << " ms\n";
                                        ASSERT_TRUE(parts);
                                        HWND control = robot::FindChild(parts->window, L"Shell Embedding", L"");
                                        ASSERT_NE(control, nullptr);
                                        EXPECT_TRUE(SameRect(robot::ChildRectInClient(control),
                                                             TwipsBox(0, 0, 10935, 8055)));
                                        robot::SaveScreenshot(parts->window,
                                                              ScreenshotPath(remote ? L"browser-remote"
                                                                                    : L"browser-local"));
                                        EXPECT_TRUE(robot::CloseAndWait(parts->window));
                                      });
    EXPECT_TRUE(run.callReturnedInTime);
    EXPECT_EQ(result, S_OK);
  }
  EXPECT_FALSE(duvisto::ModuleInUse());
  CoUninitialize();
}

}  // namespace
