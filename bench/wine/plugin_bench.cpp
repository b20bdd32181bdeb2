// Speed, size and memory figures for Duvisto.dll as the host meets it under Wine, set beside the
// same measurements on floors: BrowseFloor.dll, a _Browse that only hands back answers as long as
// the plug-in's (and BrowseFloorEmpty.dll, one that does nothing), and a bare window hosting the
// same web-browser control: what remains is the plug-in's own cost. Figures, not assertions: one
// table on the console and, with `--json PATH`, the same figures as JSON. A step that fails ends
// the program with exit code 1.
//   plugin_bench.exe [--json PATH]
// The bench starts copies of itself for the first window openings (modal_ui.h):
//   plugin_bench.exe --first-window plugin|floor FILE
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "com_server.h"
#include "dll_file.h"
#include "failure.h"
#include "memory_figures.h"
#include "modal_ui.h"
#include "window_phases.h"
#include "nesting_stack.h"
#include "report.h"
#include "startup_path.h"
#include "steady_calls.h"

namespace bench {
namespace {

class Apartment {
 public:
  Apartment() { Check(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), "CoInitializeEx"); }
  Apartment(const Apartment&) = delete;
  Apartment& operator=(const Apartment&) = delete;
  ~Apartment() { CoUninitialize(); }
};

Report Run() {
  const Apartment apartment;
  // First, while nothing holds either DLL, so the rounds that load it afresh can unload it.
  Section startup = StartupFigures();

  const LoadedServer plugin(kPluginDll), floor(kFloorDll), emptyFloor(kEmptyFloorDll);
  Section calls, window, nesting;
  {
    const ComPtr<_Browse> pluginObject = plugin.Create(), floorObject = floor.Create(),
                          emptyFloorObject = emptyFloor.Create();
    EnableRemoteBrowsing(pluginObject.Get());
    calls = SteadyCallFigures(pluginObject.Get(), floorObject.Get(), emptyFloorObject.Get());
    window = BrowserWindowFigures(pluginObject.Get());
    nesting = NestingStackFigures(pluginObject.Get());
  }
  Section memory = MemoryFigures(plugin);

  Report report;
  report.Add(std::move(startup));
  report.Add(std::move(calls));
  report.Add(std::move(window));
  report.Add(WindowPhaseFigures());
  report.Add(DllFileFigures());
  report.Add(std::move(memory));
  report.Add(std::move(nesting));
  return report;
}

}  // namespace
}  // namespace bench

int main(int argc, char** argv) {
  if (argc == 4 && std::strcmp(argv[1], "--first-window") == 0) {
    try {
      const bench::Apartment apartment;
      return bench::FirstWindowInThisProcess(argv[2], argv[3]);
    } catch (const std::exception& failure) {
      std::fprintf(stderr, "plugin_bench --first-window: %s\n", failure.what());
      return 1;
    }
  }
  const char* jsonPath = argc == 3 && std::strcmp(argv[1], "--json") == 0 ? argv[2] : nullptr;
  if (argc != 1 && !jsonPath) {
    std::fprintf(stderr, "usage: plugin_bench.exe [--json PATH]\n");
    return 2;
  }
  try {
    const bench::Report report = bench::Run();
    report.Print();
    if (jsonPath && !report.WriteJson(jsonPath)) throw bench::Failure(std::string("cannot write ") + jsonPath);
    return 0;
  } catch (const std::exception& failure) {
    std::fprintf(stderr, "plugin_bench: %s\n", failure.what());
    return 1;
  }
}
