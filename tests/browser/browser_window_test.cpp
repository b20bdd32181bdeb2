// The browser window driven for real under Wine: first with the recording stand-in for the
// web-browser control (browser_test_support.h), then with the real control.
#include <gtest/gtest.h>
#include <mshtmhst.h>
#include <ole2.h>
#include <olectl.h>
#include <wrl/client.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <thread>
#include <utility>

#include "browser_test_support.h"
#include "com_object.h"
#include "control_site.h"
#include "frm_browser.h"
#include "module.h"
#include "open_browser_window.h"
#include "twips.h"
#include "ui_robot.h"
#include "unique_any.h"

namespace {

using namespace browser_test;
using duvisto::BrowserMode;
using duvisto::OpenOrder;
using Microsoft::WRL::ComPtr;
using robot::TwipsToPixelsX;
using robot::TwipsToPixelsY;

std::string Show(const RECT& r) {
  return std::to_string(r.left) + "," + std::to_string(r.top) + "-" + std::to_string(r.right) + "," +
         std::to_string(r.bottom);
}
std::string TwipsBox(int left, int top, int width, int height) {
  return Show({TwipsToPixelsX(left), TwipsToPixelsY(top), TwipsToPixelsX(left + width), TwipsToPixelsY(top + height)});
}
int OuterHeight(HWND window) { const RECT r = robot::WindowRectOnScreen(window); return r.bottom - r.top; }
bool Enabled(const std::vector<HWND>& windows) {
  return std::all_of(windows.begin(), windows.end(), [](HWND w) { return IsWindowEnabled(w) != FALSE; });
}
bool Disabled(const std::vector<HWND>& windows) {
  return std::none_of(windows.begin(), windows.end(), [](HWND w) { return IsWindowEnabled(w) != FALSE; });
}

// The thread's active window, as the system keeps it (no window when activation was refused).
HWND ActiveWindowOf(DWORD thread) {
  GUITHREADINFO info{sizeof info};
  return GetGUIThreadInfo(thread, &info) ? info.hwndActive : nullptr;
}

// Sends WM_ACTIVATE as the system does when the window gains or loses activation.
void Activate(HWND window, WPARAM state) {
  DWORD_PTR ignored = 0;
  SendMessageTimeoutW(window, WM_ACTIVATE, state, 0, SMTO_NORMAL, 5000, &ignored);
}

// Tab (or Shift+Tab) to the focused window of `ui`; true once the focus is on `expected` or
// inside it.
bool TabTo(DWORD ui, bool shift, HWND expected) {
  // Attached, the driver shares the UI thread's key state, so Shift reads as held there too.
  AttachThreadInput(GetCurrentThreadId(), ui, TRUE);
  BYTE keys[256] = {};
  GetKeyboardState(keys);
  keys[VK_SHIFT] = shift ? 0x80 : 0;
  SetKeyboardState(keys);
  robot::PostKey(robot::FocusedWindow(ui), VK_TAB);
  const bool moved = robot::WaitUntil([&] {
    const HWND focus = robot::FocusedWindow(ui);
    return focus != nullptr && (focus == expected || IsChild(expected, focus));
  });
  keys[VK_SHIFT] = 0;
  SetKeyboardState(keys);
  AttachThreadInput(GetCurrentThreadId(), ui, FALSE);
  return moved;
}

// An active window of the thread, made by this module (as the plug-in's own) or not (the host's).
HWND ActiveWindow(HINSTANCE module) {
  const HWND window = CreateWindowExW(0, L"STATIC", L"", WS_VISIBLE, 0, 0, 99, 99, nullptr, nullptr, module, nullptr);
  SetActiveWindow(window);
  return window;
}

TEST_F(BrowserWindow, LaysOutBothModesAndNavigatesOnGoAndEnter) {
  const HWND host = ActiveWindow(nullptr);
  const auto remote = [&](DWORD ui) {
    const Parts p = WaitForLaidOut(ui, kRemoteHeight);
    const HWND browser = g_browser.load();
    EXPECT_EQ(GetWindow(p.window, GW_OWNER), nullptr) << "the host's window owns nothing";
    EXPECT_EQ(robot::WindowText(p.window), kLocalAndRemote);
    const LONG frame = WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
    EXPECT_EQ(GetWindowLongW(p.window, GWL_STYLE) & frame, WS_CAPTION | WS_SYSMENU);
    EXPECT_EQ(GetMenu(p.window), nullptr);
    EXPECT_EQ(robot::ClientRectOf(p.window).right, TwipsToPixelsX(10965)) << "width kept from creation";
    // Boxes in tab order, which is the order of the child windows.
    const std::pair<HWND, std::string> boxes[] = {{browser, TwipsBox(0, 0, 10935, 8055)},
                                                  {p.address, TwipsBox(120, 8160, 9855, 345)},
                                                  {p.go, TwipsBox(10080, 8160, 735, 345)},
                                                  {p.label, TwipsBox(120, 8520, 10815, 615)}};
    HWND child = GetWindow(p.window, GW_CHILD);
    for (const auto& [control, box] : boxes) {
      EXPECT_EQ(child, control) << "tab order";
      EXPECT_EQ(Show(robot::ChildRectInClient(control)), box);
      child = GetWindow(child, GW_HWNDNEXT);
    }
    EXPECT_TRUE(Disabled({p.address, p.go}));
    EXPECT_TRUE(IsWindowEnabled(browser)) << "links in the page can still be followed";
    EXPECT_EQ(robot::WindowText(p.address), L"");
    EXPECT_LE(robot::ChildRectInClient(p.label).bottom, robot::ClientRectOf(p.window).bottom) << "warning shown";
    EXPECT_TRUE(NavigatedTo({L"  www.example.com/a b "})) << "passed unchanged";
    LOGFONTW font{};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(p.address, WM_GETFONT, 0, 0)), sizeof font, &font);
    EXPECT_STREQ(font.lfFaceName, L"MS Sans Serif");
    EXPECT_EQ(font.lfHeight, -MulDiv(12, TwipsToPixelsY(1440), 72));
    EXPECT_FALSE(font.lfWeight != FW_NORMAL || font.lfItalic || font.lfUnderline || font.lfStrikeOut);
    const duvisto::UniqueMemoryDc dc(CreateCompatibleDC(nullptr));
    const auto brush = SendMessageW(p.window, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc.get()),
                                    reinterpret_cast<LPARAM>(p.label));
    EXPECT_EQ(GetTextColor(dc.get()), RGB(255, 0, 0)) << "the warning is red";
    EXPECT_EQ(GetBkColor(dc.get()), GetSysColor(COLOR_BTNFACE)) << "on the dialog face colour";
    EXPECT_EQ(reinterpret_cast<HBRUSH>(brush), GetSysColorBrush(COLOR_BTNFACE));

    // Every activation lays out from the exact caption, keeps position and width, enables nothing.
    const RECT before = robot::WindowRectOnScreen(p.window);
    const auto activateWith = [&](const wchar_t* caption) {
      robot::SetText(p.window, caption);
      Activate(p.window, WA_ACTIVE);
      return OuterHeight(p.window);
    };
    for (const wchar_t* caption :  // every caption but the exact local-and-remote one gives the short layout
         {L"Internet browser (Local & Remote)", L"Internet browser (local & remote) ", kLocal}) {
      EXPECT_EQ(activateWith(caption), TwipsToPixelsY(kLocalHeight)) << testing::PrintToString(caption);
      EXPECT_TRUE(Disabled({p.address, p.go}));
      EXPECT_EQ(activateWith(kLocalAndRemote), TwipsToPixelsY(kRemoteHeight));
    }
    const RECT after = robot::WindowRectOnScreen(p.window);
    EXPECT_TRUE(before.left == after.left && before.top == after.top && before.right == after.right);
    CloseWindow(p.window);
  };
  EXPECT_EQ(Open(BrowserMode::LocalAndRemote, L"  www.example.com/a b ", remote, OpenOrder::NavigateThenCaption), S_OK);
  DestroyWindow(host);
  const HWND own = ActiveWindow(GetModuleHandleW(nullptr));

  const auto local = [&](DWORD ui) {
    const Parts p = WaitForLaidOut(ui, kLocalHeight);
    const HWND browser = g_browser.load();
    EXPECT_EQ(GetWindow(p.window, GW_OWNER), own) << "the plug-in's own active window owns it";
    EXPECT_FALSE(IsWindowEnabled(own));
    const RECT label = robot::ChildRectInClient(p.label);
    const LONG clientBottom = robot::ClientRectOf(p.window).bottom;
    EXPECT_TRUE(label.top < clientBottom && clientBottom < label.bottom) << "warning cut off";
    EXPECT_TRUE(Enabled({p.address, p.go})) << "enabled again";
    Calls expected = {L"  www.example.com/a b ", L""};
    EXPECT_TRUE(NavigatedTo(expected)) << "the empty address too";
    // Keys inside the page are offered to the control; one it declines stays with it.
    EXPECT_TRUE(robot::WaitUntil([&] { return robot::FocusedWindow(ui) == browser; }));
    robot::PostKey(browser, VK_F5);
    EXPECT_TRUE(robot::WaitUntil([] { return g_keysOffered >= 2; }));
    EXPECT_EQ(robot::FocusedWindow(ui), browser);
    // A click puts the focus into the address box, where Enter is Go.
    PostMessageW(p.address, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    PostMessageW(p.address, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
    EXPECT_TRUE(robot::WaitUntil([&] { return robot::FocusedWindow(ui) == p.address; }));
    const auto navigateBy = [&](bool enter) {
      for (const std::wstring typed : {L"http://typed.example/a b", L""}) {
        robot::SetText(p.address, typed);
        enter ? robot::PostKey(p.address, VK_RETURN) : (void)robot::PressButton(p.window, GetDlgCtrlID(p.go));
        expected.push_back(typed);
        EXPECT_TRUE(NavigatedTo(expected)) << (enter ? "Enter" : "Go");
      }
    };
    navigateBy(true);  // before Go is pressed, which takes the focus
    navigateBy(false);
    EXPECT_EQ(robot::WindowText(p.window), kLocal) << "the caption, which Go leaves alone";
    CloseWindow(p.window);
  };
  EXPECT_EQ(Open(BrowserMode::Local, L"", local), S_OK);
  EXPECT_TRUE(IsWindowEnabled(own));
  EXPECT_EQ(GetActiveWindow(), own) << "activation went back to the owner";
  DestroyWindow(own);
}

TEST_F(BrowserWindow, AFailingStepEndsTheOpenAndLeavesWhatWasDone) {
  // Navigate fails: the window stays loaded, not shown, and the next open goes on with it.
  const auto none = [](DWORD) {};
  EXPECT_EQ(Open(BrowserMode::Local, L"refuse:this", none), E_ACCESSDENIED);
  EXPECT_TRUE(duvisto::ModuleInUse() && robot::TopLevelWindows(robot::Owner::Thread(GetCurrentThreadId())).empty());
  EXPECT_EQ(Open(BrowserMode::LocalAndRemote, L"next", CloseWhenLaidOut(kRemoteHeight), OpenOrder::NavigateThenCaption),
            S_OK);
  EXPECT_TRUE(NavigatedTo({L"refuse:this", L"next"}));
  // The control cannot be created, or offers no events to watch its page by: the load fails and
  // leaves nothing loaded.
  g_noConnection = true;
  EXPECT_EQ(Open(BrowserMode::Local, L"x", none), CONNECT_E_NOCONNECTION);
  EXPECT_FALSE(duvisto::ModuleInUse());
  g_creation = REGDB_E_CLASSNOTREG;
  EXPECT_EQ(Open(BrowserMode::Local, L"x", none), REGDB_E_CLASSNOTREG);
}

// The system's foreground lock, as a partner's push meets it while the host is in the
// background: the window is shown but never activated.
LRESULT CALLBACK RefuseActivation(int code, WPARAM wParam, LPARAM lParam) {
  wchar_t className[64] = {};
  if (code == HCBT_ACTIVATE && GetClassNameW(reinterpret_cast<HWND>(wParam), className, 64) &&
      std::wstring(className) == L"DuvistoFrmBrowser")
    return 1;
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

TEST_F(BrowserWindow, ShowsItsModeWhenActivationIsRefused) {
  const duvisto::UniqueHook refuser(
      SetWindowsHookExW(WH_CBT, RefuseActivation, nullptr, GetCurrentThreadId()));
  ASSERT_TRUE(refuser);
  // Opened pushed, and opened local and then pushed into from its loop: the push's mode shows at once.
  for (const bool pushedInto : {false, true}) {
    const auto driver = [&](DWORD ui) {
      const Parts p = WaitForLaidOut(ui, pushedInto ? kLocalHeight : kRemoteHeight);
      if (pushedInto) {
        EXPECT_TRUE(Enabled({p.address, p.go}));
        StartOnUiThread([] { duvisto::OpenBrowserWindow(BrowserMode::LocalAndRemote, L"pushed", OpenOrder::CaptionThenNavigate); });
        EXPECT_TRUE(robot::WaitUntil([&] { return OuterHeight(p.window) == TwipsToPixelsY(kRemoteHeight); }));
      }
      EXPECT_TRUE(robot::WaitUntil([&] { return Disabled({p.address, p.go}); })) << pushedInto;
      EXPECT_NE(ActiveWindowOf(ui), p.window) << "activation was refused";
      CloseWindow(p.window);
    };
    EXPECT_EQ(Open(pushedInto ? BrowserMode::Local : BrowserMode::LocalAndRemote, L"", driver), S_OK);
  }
}

TEST_F(BrowserWindow, TabGoesRoundThePageTheAddressBoxAndGo) {
  const auto local = [&](DWORD ui) {
    const Parts p = WaitForLaidOut(ui, kLocalHeight);
    const HWND browser = g_browser.load();
    EXPECT_TRUE(robot::WaitUntil([&] { return robot::FocusedWindow(ui) == browser; }));
    EXPECT_GE(g_uiActivations, 1) << "UI-activated as it takes the focus";
    EXPECT_EQ(g_frameActive, 1) << "told of the frame's activation";
    // The stand-in declines every key, as a page does past its last element. Tab (Shift+Tab)
    // from the page's last element UI-activates it again as it brings the focus back. Tab into
    // the address box selects what it holds, as in a dialog.
    robot::SetText(p.address, L"typed");
    for (const bool shift : {false, true}) {
      EXPECT_TRUE(TabTo(ui, shift, shift ? p.go : p.address)) << "out of the page, Shift " << shift;
      if (!shift) {
        DWORD start = 1, end = 0;
        SendMessageW(p.address, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
        EXPECT_TRUE(start == 0 && end == 5) << "selected " << start << ".." << end;
      }
      EXPECT_TRUE(TabTo(ui, shift, shift ? p.address : p.go));
      const int activations = g_uiActivations;
      EXPECT_TRUE(TabTo(ui, shift, browser));
      EXPECT_GT(g_uiActivations, activations) << "back into the page, Shift " << shift;
    }
    Activate(p.window, WA_INACTIVE);
    EXPECT_EQ(g_frameActive, 0) << "told of the frame's deactivation";
    Activate(p.window, WA_ACTIVE);
    EXPECT_EQ(g_frameActive, 1);
    CloseWindow(p.window);
  };
  EXPECT_EQ(Open(BrowserMode::Local, L"", local), S_OK);

  // With the address box and Go disabled, Tab leaves the page only to come back into it.
  const auto remote = [&](DWORD ui) {
    const Parts p = WaitForLaidOut(ui, kRemoteHeight);
    const HWND browser = g_browser.load();
    EXPECT_TRUE(robot::WaitUntil([&] { return robot::FocusedWindow(ui) == browser; }));
    for (const bool shift : {false, true}) {
      const int activations = g_uiActivations;
      EXPECT_TRUE(TabTo(ui, shift, browser));
      EXPECT_TRUE(robot::WaitUntil([&] { return g_uiActivations > activations; })) << "back into the page";
    }
    CloseWindow(p.window);
  };
  EXPECT_EQ(Open(BrowserMode::LocalAndRemote, L"", remote), S_OK);
}

// Whether OLE is initialised on this thread: a further OleInitialize then answers S_FALSE.
// The probe is balanced, so it changes nothing.
bool OleInitialised() {
  const HRESULT hr = OleInitialize(nullptr);
  if (SUCCEEDED(hr)) OleUninitialize();
  return hr == S_FALSE;
}

// What the control needs before its first page: OLE on its thread (for the clipboard and drag
// and drop), and Silent, so that it raises no dialogs of its own.
TEST_F(BrowserWindow, InitialisesOleWhileItExistsAndSilencesTheControlBeforeItsFirstPage) {
  ASSERT_FALSE(OleInitialised()) << "COM alone";
  std::atomic<int> inside{-1};  // whether OLE is initialised on the window's thread while it is shown
  const auto driver = [&](DWORD ui) {
    const Parts p = WaitForLaidOut(ui, kRemoteHeight);
    StartOnUiThread([&] { inside = OleInitialised(); });
    EXPECT_TRUE(robot::WaitUntil([&] { return inside >= 0; }));
    CloseWindow(p.window);
  };
  EXPECT_EQ(Open(BrowserMode::LocalAndRemote, L"pushed", driver, OpenOrder::NavigateThenCaption), S_OK);
  EXPECT_EQ(g_silentBeforeNavigate, 1) << "Silent before the first Navigate";
  EXPECT_EQ(inside, 1) << "OLE while the window exists";
  EXPECT_FALSE(OleInitialised()) << "and balanced after it";

  // A host thread in the multithreaded apartment keeps its mode, and the window works as well.
  HRESULT inMta = E_PENDING;
  std::thread([&] {
    ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
    DWORD cookie = 0;
    ASSERT_EQ(CoRegisterClassObject(kWebBrowserClsid, StandInFactory(), CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &cookie),
              S_OK);
    inMta = Open(BrowserMode::LocalAndRemote, L"in the MTA", CloseWhenLaidOut(kRemoteHeight));
    CoRevokeClassObject(cookie);
    CoUninitialize();
  }).join();
  EXPECT_EQ(inMta, S_OK);
}

// Opens arriving through the modal loop, as the host's commands do, act on the shown window:
// each navigates, the last one's mode shows, and past the bound they return at once.
TEST_F(BrowserWindow, AFloodOfOpensFromTheModalLoopActsOnTheShownWindowNestingNoDeeperThanTheBound) {
  constexpr int kRequests = 60;
  const int bound = duvisto::FrmBrowser::kMaxModalDepth;
  std::atomic<int> waiting{0}, deepest{0}, returned{0}, failed{0};
  const auto driver = [&](DWORD ui) {
    const Parts p = WaitForLaidOut(ui, kLocalHeight);
    Calls expected = {L"outer"};
    for (int i = 0; i < kRequests; ++i) {
      // All local but the last, a push: the window ends in the last request's mode.
      const BrowserMode mode = i + 1 < kRequests ? BrowserMode::Local : BrowserMode::LocalAndRemote;
      const std::wstring address = L"flood " + std::to_wstring(i);
      expected.push_back(address);
      StartOnUiThread([&, mode, address] {
        deepest = std::max(deepest.load(), ++waiting);
        failed += FAILED(duvisto::OpenBrowserWindow(mode, address, OpenOrder::CaptionThenNavigate));
        --waiting;
        ++returned;
      });
    }
    EXPECT_TRUE(NavigatedTo(expected)) << "every request navigates";
    EXPECT_TRUE(robot::WaitUntil([&] { return returned == kRequests - (bound - 1); }))
        << returned << " returned at once";
    EXPECT_EQ(waiting, bound - 1) << "waiting beside the outer open";
    EXPECT_LE(deepest, bound) << "the last counted just before it returned at once";
    EXPECT_EQ(robot::TopLevelWindows(robot::Owner::Thread(ui)), std::vector<HWND>{p.window}) << "one window";
    EXPECT_EQ(robot::WindowText(p.window), kLocalAndRemote);
    EXPECT_EQ(OuterHeight(p.window), TwipsToPixelsY(kRemoteHeight));
    EXPECT_TRUE(Disabled({p.address, p.go}));
    CloseWindow(p.window);
    EXPECT_TRUE(robot::WaitUntil([&] { return returned == kRequests; })) << "closing returns every waiting call";
  };
  EXPECT_EQ(Open(BrowserMode::Local, L"outer", driver), S_OK);
  EXPECT_EQ(failed, 0);
}

// The platform's own control, as production runs it (no page renders without Gecko).
TEST_F(BrowserWindow, HostsTheRealControlInPlaceInItsBox) {
  CoRevokeClassObject(cookie_);
  for (const bool remote : {true, false}) {
    const auto driver = [&](DWORD ui) {
      const Parts p = WaitForLaidOut(ui, remote ? kRemoteHeight : kLocalHeight);
      const HWND control = robot::FindChild(p.window, L"Shell Embedding", L"");
      EXPECT_EQ(Show(robot::ChildRectInClient(control)), TwipsBox(0, 0, 10935, 8055)) << "the real control";
      EXPECT_TRUE(robot::WaitUntil([&] {
        const HWND focus = robot::FocusedWindow(ui);
        return control && (focus == control || IsChild(control, focus));
      })) << "the page has the focus";
      if (!remote) {
        // With no page the control declines Tab, as a page does after its last element.
        EXPECT_TRUE(TabTo(ui, false, p.address)) << "out of the page";
        EXPECT_TRUE(TabTo(ui, true, control)) << "back into it";
        EXPECT_TRUE(TabTo(ui, true, p.go)) << "and out of it backwards";
        EXPECT_TRUE(TabTo(ui, false, control));
      }
      CloseWindow(p.window);
    };
    EXPECT_EQ(Open(remote ? BrowserMode::LocalAndRemote : BrowserMode::Local, L"about:blank", driver), S_OK);
  }
}

// The host's thread asked to quit while the window is shown: the window goes, the open returns,
// and the request is there again for the host's own loop, with its exit code.
TEST_F(BrowserWindow, AQuitRequestEndsTheWindowAndStaysForTheHostsLoop) {
  const auto driver = [&](DWORD ui) {
    WaitForLaidOut(ui, kLocalHeight);
    PostThreadMessageW(ui, WM_QUIT, 42, 0);
  };
  EXPECT_EQ(Open(BrowserMode::Local, L"", driver), S_OK);
  MSG message{};
  EXPECT_TRUE(PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) << "the request for the host's loop";
  EXPECT_EQ(message.wParam, 42u);
  EXPECT_TRUE(robot::TopLevelWindows(robot::Owner::Thread(GetCurrentThreadId())).empty());
}

// Every conversion reads the screen's resolution through a DC of the screen's, which must go
// back each time: about 20,000 kept ones use up the process's GDI handles (under Wine as under
// Windows), and every layout and push converts.
TEST(Twips, GiveBackTheScreenDcTheyRead) {
  for (int i = 0; i < 30000; ++i) ASSERT_GT(duvisto::TwipsToPixelsY(1440), 0) << "conversion " << i;
  const duvisto::UniqueGdiObject<HBRUSH> brush(CreateSolidBrush(RGB(1, 2, 3)));
  EXPECT_TRUE(brush) << "GDI handles left";
}

// A control that UI-activates asks the frame for its tool space, or with a null request for none:
// none is granted, anything else is not there to give.
TEST(ControlSite, GrantsAUIActivatingControlNoToolSpaceOnly) {
  const auto site = duvisto::ComObject<duvisto::ControlSite>::Make(nullptr, RECT{0, 0, 10, 10}, nullptr);
  ASSERT_TRUE(site);
  EXPECT_EQ(site->SetBorderSpace(nullptr), S_OK);
  const BORDERWIDTHS tools{0, 20, 0, 0};
  EXPECT_EQ(site->SetBorderSpace(&tools), OLE_E_INVALIDRECT);
  EXPECT_EQ(site->RequestBorderSpace(&tools), INPLACE_E_NOTOOLSPACE);
}

// The page's keys reach the control through its site first: the shortcuts that would open a
// window or a file outside ours are used up there; every other key stays the control's.
TEST(ControlSite, UsesUpTheShortcutsThatOpenWindowsOrFilesOutsideOurs) {
  const auto site = duvisto::ComObject<duvisto::ControlSite>::Make(nullptr, RECT{0, 0, 10, 10}, nullptr);
  ASSERT_TRUE(site);
  ComPtr<IDocHostUIHandler> handler;
  ASSERT_EQ(site.As(&handler), S_OK);
  BYTE keys[256] = {};
  const auto pressed = [&](UINT key, bool control) {
    keys[VK_CONTROL] = control ? 0x80 : 0;
    SetKeyboardState(keys);
    MSG message{nullptr, WM_KEYDOWN, key, 0, 0, {0, 0}};
    return handler->TranslateAccelerator(&message, nullptr, 0);
  };
  EXPECT_EQ(pressed('N', true), S_OK) << "Ctrl+N, a new window";
  EXPECT_EQ(pressed('O', true), S_OK) << "Ctrl+O, a file";
  EXPECT_EQ(pressed('N', false), S_FALSE) << "typed text";
  EXPECT_EQ(pressed('C', true), S_FALSE) << "Ctrl+C, the page's copy";
  keys[VK_CONTROL] = 0;
  SetKeyboardState(keys);
}

}  // namespace
