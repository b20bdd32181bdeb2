// The plug-in's modal UI under the UI robot: the robot's thread finds the box or window the
// plug-in (or the window floor) shows on this (apartment) thread and closes it, every wait bounded.
#include "modal_ui.h"

#include <atomic>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "com_owners.h"
#include "com_server.h"
#include "failure.h"
#include "timing.h"
#include "ui_robot.h"
#include "unique_any.h"
#include "window_floor.h"

namespace bench {
namespace {

using namespace std::chrono_literals;
using Bstr = duvisto::UniqueBstr;

constexpr wchar_t kLocalCaption[] = L"Internet browser (local)";
constexpr wchar_t kAddress[] = L"about:blank";
constexpr int kFirstWindowOpens = 5;  // each in a fresh process
constexpr int kWarmWindowOpens = 40;
constexpr double kTargetMs = 100;
constexpr double kTargetRatio = 1.2;
constexpr DWORD kChildTimeoutMs = 60'000;

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
  double openToShownMs = 0;    // the opening call made .. window visible
  double closeToReturnMs = 0;  // WM_CLOSE posted .. the opening call returned
};

// `open` shows a window captioned `caption` modally; the robot closes it as the close box does.
WindowTimes OpenAndClose(const std::function<void()>& open, const wchar_t* caption) {
  const duvisto::UniqueHook hook(SetWindowsHookExW(WH_CALLWNDPROCRET, RecordFirstShow, nullptr, GetCurrentThreadId()));
  if (!hook) Check(HRESULT_FROM_WIN32(GetLastError()), "SetWindowsHookExW");
  shownAt = 0;
  LONGLONG calledAt = 0, returnedAt = 0;
  std::atomic<LONGLONG> closeRequestedAt{0};
  bool closed = false;
  const auto driven = robot::RunDriven(
      [&] {
        calledAt = Now();
        open();
        returnedAt = Now();
      },
      [&](DWORD uiThread) {
        const auto window = robot::WaitForWindowCaptioned(robot::Owner::Thread(uiThread), caption);
        if (!window) return;
        closeRequestedAt = Now();
        closed = robot::CloseAndWait(*window);
      },
      15s);
  if (!driven.callReturnedInTime || !closed) throw Failure("a browser window did not open and close in time");
  if (shownAt == 0) throw Failure("a browser window was never shown");
  return {Microseconds(shownAt - calledAt) / 1000, Microseconds(returnedAt - closeRequestedAt) / 1000};
}

WindowTimes OpenAndCloseBrowser(_Browse* browse) {
  return OpenAndClose([browse] { Parse(browse, L"/xbrowser", kAddress); }, kLocalCaption);
}

WindowTimes OpenAndCloseFloorWindow() {
  return OpenAndClose([] { Check(ShowFloorWindow(kAddress), "the floor window"); }, kFloorWindowCaption);
}

// --- The first opening, in a process of its own --------------------------------------------
// The first opening in a process loads the control's DLLs, which then stay: in one process only
// one side could open first. So each first opening runs in a fresh copy of this program.

constexpr char kPluginSide[] = "plugin";
constexpr char kFloorSide[] = "floor";

std::wstring ThisProgram() {
  wchar_t path[MAX_PATH * 4] = {};
  return std::wstring(path, GetModuleFileNameW(nullptr, path, ARRAYSIZE(path)));
}

std::wstring NewTemporaryFile() {
  wchar_t folder[MAX_PATH + 1] = {}, path[MAX_PATH + 1] = {};
  if (!GetTempPathW(ARRAYSIZE(folder), folder) || !GetTempFileNameW(folder, L"dvb", 0, path))
    Check(HRESULT_FROM_WIN32(GetLastError()), "GetTempFileName");
  return path;
}

// Runs `plugin_bench.exe --first-window SIDE FILE` and reads the two times it wrote.
WindowTimes FirstInFreshProcess(const char* side) {
  const std::wstring file = NewTemporaryFile();
  std::wstring commandLine = L"\"" + ThisProgram() + L"\" --first-window " +
                             std::wstring(side, side + std::char_traits<char>::length(side)) + L" \"" + file + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started{};
  if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &started))
    Check(HRESULT_FROM_WIN32(GetLastError()), "starting the first-window process");
  const duvisto::UniqueHandle process(started.hProcess), thread(started.hThread);
  if (WaitForSingleObject(process.get(), kChildTimeoutMs) != WAIT_OBJECT_0) {
    TerminateProcess(process.get(), 1);
    DeleteFileW(file.c_str());
    throw Failure("the first-window process did not finish in time");
  }
  DWORD exitCode = 1;
  GetExitCodeProcess(process.get(), &exitCode);
  char text[64] = {};
  DWORD read = 0;
  {
    const duvisto::UniqueFile result(
        CreateFileW(file.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (result) ReadFile(result.get(), text, sizeof text - 1, &read, nullptr);
  }
  DeleteFileW(file.c_str());
  WindowTimes times;
  if (exitCode != 0 || std::sscanf(text, "%lf %lf", &times.openToShownMs, &times.closeToReturnMs) != 2)
    throw Failure(std::string("the first-window process failed on the ") + side + " side");
  return times;
}

Figure WindowFigure(std::string key, std::string label, const std::vector<double>& plugin,
                    const std::vector<double>& floor) {
  Figure figure;
  figure.key = std::move(key);
  figure.label = std::move(label);
  figure.unit = "ms";
  figure.plugin = SpreadOf(plugin);
  figure.floor = SpreadOf(floor);
  figure.targets = {{"ratio <= 1.2", figure.Ratio() <= kTargetRatio}, {"< 100 ms", figure.plugin->median < kTargetMs}};
  return figure;
}

struct Samples {
  std::vector<double> opens, closes;
  void Add(const WindowTimes& times) {
    opens.push_back(times.openToShownMs);
    closes.push_back(times.closeToReturnMs);
  }
};

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
  Samples pluginFirst, floorFirst, pluginWarm, floorWarm;
  // Which side goes first alternates from round to round, so drift in the machine favours neither.
  for (int round = 0; round < kFirstWindowOpens; ++round) {
    if (round % 2 == 0) pluginFirst.Add(FirstInFreshProcess(kPluginSide));
    floorFirst.Add(FirstInFreshProcess(kFloorSide));
    if (round % 2 == 1) pluginFirst.Add(FirstInFreshProcess(kPluginSide));
  }
  OpenAndCloseBrowser(browse);  // this process's first of each, not counted
  OpenAndCloseFloorWindow();
  for (int round = 0; round < kWarmWindowOpens; ++round) {
    if (round % 2 == 0) pluginWarm.Add(OpenAndCloseBrowser(browse));
    floorWarm.Add(OpenAndCloseFloorWindow());
    if (round % 2 == 1) pluginWarm.Add(OpenAndCloseBrowser(browse));
  }
  const std::string first = ", first (" + std::to_string(kFirstWindowOpens) + " processes)";
  const std::string warm = ", warm (" + std::to_string(kWarmWindowOpens) + ")";
  Section section{"(c) the browser window: ParseCommand(\"/xbrowser\", \"about:blank\") against a bare window of the "
                  "bench's own hosting the same control (the floor), alternating; first: each in a fresh process",
                  {WindowFigure("window_open_first", "call to window visible" + first, pluginFirst.opens,
                                floorFirst.opens),
                   WindowFigure("window_open_warm", "call to window visible" + warm, pluginWarm.opens, floorWarm.opens),
                   WindowFigure("window_close_first", "WM_CLOSE to the call's return" + first, pluginFirst.closes,
                                floorFirst.closes),
                   WindowFigure("window_close_warm", "WM_CLOSE to the call's return" + warm, pluginWarm.closes,
                                floorWarm.closes)}};
  return section;
}

int FirstWindowInThisProcess(const std::string& side, const char* resultFile) {
  // A host has windows of its own before it opens the plug-in's, so the process's first window
  // (the display driver's set-up) is no part of either side's first opening.
  const UniqueWindow hostWindow(
      CreateWindowExW(0, L"STATIC", L"Duvisto bench: host window", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 320, 240,
                      nullptr, nullptr, GetModuleHandleW(nullptr), nullptr));
  if (!hostWindow) Check(HRESULT_FROM_WIN32(GetLastError()), "creating the host's window");
  for (MSG message; PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE);) DispatchMessageW(&message);
  WindowTimes times;
  if (side == kPluginSide) {
    const LoadedServer plugin(kPluginDll);
    times = OpenAndCloseBrowser(plugin.Create().Get());
  } else if (side == kFloorSide) {
    times = OpenAndCloseFloorWindow();
  } else {
    throw Failure("no such side: " + side);
  }
  char text[64];
  const int length = std::snprintf(text, sizeof text, "%.6f %.6f", times.openToShownMs, times.closeToReturnMs);
  const duvisto::UniqueFile file(
      CreateFileA(resultFile, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  DWORD written = 0;
  if (!file || !WriteFile(file.get(), text, static_cast<DWORD>(length), &written, nullptr))
    Check(HRESULT_FROM_WIN32(GetLastError()), "writing the first window's times");
  return 0;
}

}  // namespace bench
