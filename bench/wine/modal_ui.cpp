// The plug-in's modal UI under the UI robot: the robot's thread finds the box or window the
// plug-in shows on this (apartment) thread and closes it, every wait bounded.
#include "modal_ui.h"

#include <atomic>
#include <string>
#include <vector>

#include "com_owners.h"
#include "failure.h"
#include "timing.h"
#include "ui_robot.h"
#include "unique_any.h"

namespace bench {
namespace {

using namespace std::chrono_literals;
using Bstr = duvisto::UniqueBstr;

constexpr wchar_t kLocalCaption[] = L"Internet browser (local)";
constexpr int kWarmWindowOpens = 20;
constexpr double kTargetMs = 100;

void Parse(_Browse* browse, const wchar_t* command, const wchar_t* argument = L"") {
  Bstr result(L"");
  VARIANT_BOOL handled = VARIANT_FALSE;
  Check(browse->ParseCommand(Bstr(command).get(), Bstr(argument).get(), nullptr, result.inout(), &handled),
        "ParseCommand");
}

std::wstring StatusAnswer(_Browse* browse) {
  Bstr toSend(L"");
  VARIANT_BOOL handled = VARIANT_FALSE;
  Check(
      browse->ReceiveNotify(Bstr(L"check").get(), Bstr(L"").get(), Bstr(L"B").get(), nullptr, toSend.inout(), &handled),
      "ReceiveNotify");
  return toSend.str();
}

// The moment a top-level window of this thread became visible, seen from inside its own thread
// (WM_WINDOWPOSCHANGED with SWP_SHOWWINDOW), so the robot's polling interval is not measured.
LONGLONG shownAt = 0;

LRESULT CALLBACK RecordFirstShow(int code, WPARAM wParam, LPARAM lParam) {
  const auto* call = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
  if (code == HC_ACTION && shownAt == 0 && call->message == WM_WINDOWPOSCHANGED &&
      (reinterpret_cast<const WINDOWPOS*>(call->lParam)->flags & SWP_SHOWWINDOW) &&
      GetAncestor(call->hwnd, GA_PARENT) == GetDesktopWindow())
    shownAt = Now();
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

struct WindowTimes {
  double openToShownMs = 0;    // ParseCommand called .. window visible
  double closeToReturnMs = 0;  // WM_CLOSE posted .. ParseCommand returned
};

WindowTimes OpenAndCloseBrowser(_Browse* browse) {
  const duvisto::UniqueHook hook(SetWindowsHookExW(WH_CALLWNDPROCRET, RecordFirstShow, nullptr, GetCurrentThreadId()));
  if (!hook) Check(HRESULT_FROM_WIN32(GetLastError()), "SetWindowsHookExW");
  shownAt = 0;
  LONGLONG calledAt = 0, returnedAt = 0;
  std::atomic<LONGLONG> closeRequestedAt{0};
  bool closed = false;
  const auto driven = robot::RunDriven(
      [&] {
        calledAt = Now();
        Parse(browse, L"/xbrowser", L"about:blank");
        returnedAt = Now();
      },
      [&](DWORD uiThread) {
        const auto window = robot::WaitForWindowCaptioned(robot::Owner::Thread(uiThread), kLocalCaption);
        if (!window) return;
        closeRequestedAt = Now();
        closed = robot::CloseAndWait(*window);
      },
      15s);
  if (!driven.callReturnedInTime || !closed) throw Failure("the browser window did not open and close in time");
  if (shownAt == 0) throw Failure("the browser window was never shown");
  return {Microseconds(shownAt - calledAt) / 1000, Microseconds(returnedAt - closeRequestedAt) / 1000};
}

Figure WindowFigure(std::string key, std::string label, Spread spread) {
  Figure figure;
  figure.key = std::move(key);
  figure.label = std::move(label);
  figure.unit = "ms";
  figure.plugin = spread;
  figure.targets = {{"< 100 ms", spread.median < kTargetMs}};
  return figure;
}

}  // namespace

void EnableRemoteBrowsing(_Browse* browse) {
  const auto driven = robot::RunDriven(
      [&] { Parse(browse, L"/xbenable"); },
      [](DWORD uiThread) {
        if (const auto box = robot::WaitForMessageBox(robot::Owner::Thread(uiThread))) robot::CloseAndWait(box->hwnd);
      },
      15s);
  if (!driven.callReturnedInTime) throw Failure("the /xbenable box was not closed in time");
  const std::wstring answer = StatusAnswer(browse);
  if (answer.size() < 8 || answer.compare(answer.size() - 8, 8, L"enabled.") != 0)
    throw Failure("remote browsing did not become enabled");
}

Section BrowserWindowFigures(_Browse* browse) {
  // The first opening loads the web-browser control.
  const WindowTimes first = OpenAndCloseBrowser(browse);
  std::vector<double> opens, closes;
  for (int i = 0; i < kWarmWindowOpens; ++i) {
    const WindowTimes warm = OpenAndCloseBrowser(browse);
    opens.push_back(warm.openToShownMs);
    closes.push_back(warm.closeToReturnMs);
  }
  const std::string warm = ", warm (" + std::to_string(kWarmWindowOpens) + ")";
  return {"(c) the browser window: ParseCommand(\"/xbrowser\", \"about:blank\")",
          {WindowFigure("window_open_first", "call to window visible, first", Single(first.openToShownMs)),
           WindowFigure("window_open_warm", "call to window visible" + warm, SpreadOf(opens)),
           WindowFigure("window_close_first", "WM_CLOSE to the call's return, first", Single(first.closeToReturnMs)),
           WindowFigure("window_close_warm", "WM_CLOSE to the call's return" + warm, SpreadOf(closes))}};
}

}  // namespace bench
