// A timer on the plug-in's thread fires inside the browser window's loop, notes where the stack
// stands and makes the next open request from there, as a host's message handler would; each
// request nests one loop deeper. The distance between two successive notes is one level: the
// dispatch of a message, ParseCommand("/xsurfak47"), the open operation and its modal loop.
#include "nesting_stack.h"

#include <atomic>
#include <cstdint>
#include <vector>

#include "com_owners.h"
#include "failure.h"
#include "ui_robot.h"

namespace bench {
namespace {

using namespace std::chrono_literals;
using Bstr = duvisto::UniqueBstr;

// Levels measured: fewer than the window allows, so every one of them really nests.
constexpr int kLevels = 5;
constexpr int kAllowedLevels = 8;  // the window's bound on waiting open requests
constexpr double kStackKiB = 1024;  // a host's user-interface thread, usually

_Browse* g_browse = nullptr;
std::vector<std::uintptr_t> g_stackAt;
std::atomic<int> g_noted{0};
HRESULT g_nestedResult = S_OK;

HRESULT Parse(_Browse* browse, const wchar_t* command, const wchar_t* argument) {
  Bstr result(L"");
  VARIANT_BOOL handled = VARIANT_FALSE;
  return browse->ParseCommand(Bstr(command).get(), Bstr(argument).get(), nullptr, result.inout(), &handled);
}

void CALLBACK NoteAndNest(HWND, UINT, UINT_PTR timer, DWORD) {
  if (g_stackAt.size() >= static_cast<size_t>(kLevels)) {
    KillTimer(nullptr, timer);
    return;
  }
  g_stackAt.push_back(reinterpret_cast<std::uintptr_t>(__builtin_frame_address(0)));
  ++g_noted;
  const HRESULT hr = Parse(g_browse, L"/xsurfak47", L"about:blank");
  if (FAILED(hr)) g_nestedResult = hr;
}

}  // namespace

Section NestingStackFigures(_Browse* browse) {
  g_browse = browse;
  g_stackAt.clear();
  g_noted = 0;
  g_nestedResult = S_OK;
  if (SetTimer(nullptr, 0, 20, NoteAndNest) == 0) Check(HRESULT_FROM_WIN32(GetLastError()), "SetTimer");
  HRESULT outer = E_PENDING;
  const auto driven = robot::RunDriven([&] { outer = Parse(browse, L"/xbrowser", L"about:blank"); },
                                       [](DWORD uiThread) {
                                         const auto window = robot::WaitForWindowCaptioned(
                                             robot::Owner::Thread(uiThread), L"Internet browser (local & remote)");
                                         robot::WaitUntil([] { return g_noted.load() >= kLevels; });
                                         if (window) robot::CloseAndWait(*window);
                                       },
                                       15s);
  if (!driven.callReturnedInTime) throw Failure("the nested browser windows were not closed in time");
  Check(outer, "ParseCommand(\"/xbrowser\")");
  Check(g_nestedResult, "ParseCommand(\"/xsurfak47\") from the window's loop");
  if (g_stackAt.size() < static_cast<size_t>(kLevels)) throw Failure("the open requests did not nest");

  std::vector<double> perLevel;
  for (size_t i = 1; i < g_stackAt.size(); ++i) perLevel.push_back(static_cast<double>(g_stackAt[i - 1] - g_stackAt[i]));
  Figure figure;
  figure.key = "nesting_stack_per_level";
  figure.label = "stack one nested open costs";
  figure.unit = "bytes";
  figure.plugin = SpreadOf(perLevel);
  const double allowedKiB = figure.plugin->median * kAllowedLevels / 1024;
  figure.targets = {{"8 levels < 5% of 1 MB", allowedKiB < kStackKiB * 0.05}};
  figure.note = "a timer in the window's loop makes the next request; " + std::to_string(kLevels - 1) +
                " successive levels";
  return {"(f) nested opens: ParseCommand(\"/xsurfak47\") from inside the browser window's loop", {figure}};
}

}  // namespace bench
