#include "window_phases.h"

#include <memory>
#include <vector>

#include "frm_browser.h"
#include "hosted_control.h"
#include "navigate.h"
#include "window_floor.h"

namespace bench {
namespace {

constexpr int kRounds = 41;
constexpr wchar_t kAddress[] = L"about:blank";

struct Phases {
  std::vector<double> load, navigate, show, close;
};

double Since(LONGLONG start) { return Microseconds(Now() - start) / 1000.0; }

void DrainMessages() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
}

void PluginRound(Phases& phases) {
  duvisto::FrmBrowser& form = duvisto::FrmBrowser::OfThisThread();
  LONGLONG start = Now();
  form.Load();
  phases.load.push_back(Since(start));
  start = Now();
  form.SetCaption(L"Internet browser (local)");
  form.Navigate(kAddress);
  phases.navigate.push_back(Since(start));
  const HWND window = FindWindowW(L"DuvistoFrmBrowser", nullptr);
  start = Now();
  ShowWindow(window, SW_SHOWNORMAL);  // its activation lays it out and puts the focus into the page
  phases.show.push_back(Since(start));
  start = Now();
  DestroyWindow(window);
  phases.close.push_back(Since(start));
  DrainMessages();
}

void FloorRound(Phases& phases) {
  FloorPage page;
  std::unique_ptr<duvisto::HostedControl> control;
  LONGLONG start = Now();
  const UniqueWindow window(CreateWindowExW(0, L"STATIC", L"", WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU, CW_USEDEFAULT,
                                            CW_USEDEFAULT, kClientWidth + 6, kClientHeight + 32, nullptr, nullptr,
                                            nullptr, nullptr));
  RECT box{0, 0, kClientWidth, kClientHeight};
  duvisto::HostedControl::Create(kWebBrowserClsid, window.get(), box, &page, &control);
  phases.load.push_back(Since(start));
  start = Now();
  page.ownNavigationPending = true;
  if (control) duvisto::NavigateLateBound(control->Object(), kAddress);
  phases.navigate.push_back(Since(start));
  start = Now();
  ShowWindow(window.get(), SW_SHOWNORMAL);
  phases.show.push_back(Since(start));
  start = Now();
  control.reset();
  DestroyWindow(window.get());
  phases.close.push_back(Since(start));
  DrainMessages();
}

Figure PhaseFigure(const char* key, const char* label, const std::vector<double>& plugin,
                   const std::vector<double>& floor) {
  Figure figure;
  figure.key = key;
  figure.label = label;
  figure.unit = "ms";
  figure.plugin = SpreadOf(plugin);
  figure.floor = SpreadOf(floor);
  return figure;
}

}  // namespace

Section WindowPhaseFigures() {
  Phases plugin, floor;
  PluginRound(plugin);  // warm both first
  FloorRound(floor);
  plugin = floor = Phases{};
  for (int round = 0; round < kRounds; ++round) {
    if (round % 2 == 0) {
      PluginRound(plugin);
      FloorRound(floor);
    } else {
      FloorRound(floor);
      PluginRound(plugin);
    }
  }
  Section section;
  section.title = "The browser window's warm opening and closing, phase by phase (the window's code in the bench)";
  section.figures = {
      PhaseFigure("window_phase_load", "Load: window, control (sink, site), Silent, address box, GO, warning, font, OLE",
                  plugin.load, floor.load),
      PhaseFigure("window_phase_navigate", "Caption and Navigate", plugin.navigate, floor.navigate),
      PhaseFigure("window_phase_show", "Show, with the activation's layout and the focus into the page", plugin.show,
                  floor.show),
      PhaseFigure("window_phase_close", "The window destroyed, its control closed", plugin.close, floor.close),
  };
  return section;
}

}  // namespace bench
