// (e) The memory check of the plug-in's memory test (tests/support/process_memory), run here
// for its figures: the same call mix, measurement and bounds. Beside the million calls, the
// same measurement with no calls and with ten thousand shows the noise the bounds stand on.
#include "memory_figures.h"

#include <cstdio>
#include <string>
#include <utility>

#include "failure.h"
#include "process_memory.h"
#include "timing.h"

namespace bench {
namespace {

constexpr int kFewCalls = 10'000;

struct Growths {
  process_memory::Usage idle, few, many;
  double manyMs = 0;  // how long the million calls took
};

Growths MeasureGrowths(process_memory::WindowFreeCalls& calls) {
  Check(calls.Run(process_memory::kWarmCalls), "the warm-up calls");
  Growths growths;
  HRESULT hr = S_OK;
  growths.idle = process_memory::GrowthAcross([] {});
  growths.few = process_memory::GrowthAcross([&] { hr = calls.Run(kFewCalls); });
  Check(hr, "the calls");
  const LONGLONG start = Now();
  growths.many = process_memory::GrowthAcross([&] { hr = calls.Run(process_memory::kCheckedCalls); });
  growths.manyMs = Microseconds(Now() - start) / 1000;
  Check(hr, "the calls");
  return growths;
}

Figure GrowthFigure(const std::string& key, const std::string& label, const char* unit, double value) {
  Figure figure;
  figure.key = key;
  figure.label = label;
  figure.unit = unit;
  figure.plugin = Single(value);
  return figure;
}

// The two figures of one measurement; with `bounds`, each judged against its bound.
void AddGrowth(Section& section, const char* key, const std::string& when, const process_memory::Usage& growth,
               const process_memory::Bounds* bounds = nullptr) {
  Figure privateBytes = GrowthFigure(std::string("memory_private_bytes_") + key, "private bytes change, " + when,
                                     "bytes", static_cast<double>(growth.privateBytes));
  Figure heapBlocks = GrowthFigure(std::string("memory_heap_blocks_") + key, "live heap blocks change, " + when,
                                   "blocks", static_cast<double>(growth.heapBlocks));
  if (bounds) {
    privateBytes.targets = {
        {"<= " + std::to_string(bounds->privateBytes / 1024) + " KiB", growth.privateBytes <= bounds->privateBytes}};
    heapBlocks.targets = {
        {"<= " + std::to_string(bounds->heapBlocks) + " blocks", growth.heapBlocks <= bounds->heapBlocks}};
  }
  section.figures.push_back(std::move(privateBytes));
  section.figures.push_back(std::move(heapBlocks));
}

Figure UnloadFigure(HRESULT canUnloadNow) {
  Figure figure;
  figure.key = "dll_can_unload_now_after_release";
  figure.label = "DllCanUnloadNow, the object released";
  figure.items = {canUnloadNow == S_OK ? "S_OK" : canUnloadNow == S_FALSE ? "S_FALSE" : "failed"};
  figure.targets = {{"S_OK", canUnloadNow == S_OK}};
  return figure;
}

}  // namespace

Section MemoryFigures(const LoadedServer& plugin) {
  Growths growths;
  {
    process_memory::WindowFreeCalls calls(plugin.Create());
    growths = MeasureGrowths(calls);
  }  // the object released
  Section section{"(e) memory: one object, " + std::to_string(process_memory::kWarmCalls) +
                      " calls to warm it, then the window-free call mix through the vtable (remote browsing off, as in "
                      "the memory test)",
                  {}};
  AddGrowth(section, "idle", "no calls (noise)", growths.idle);
  AddGrowth(section, "10k", std::to_string(kFewCalls) + " calls", growths.few);
  AddGrowth(section, "1M", std::to_string(process_memory::kCheckedCalls) + " calls", growths.many,
            &process_memory::kCheckedCallBounds);
  char took[64];
  std::snprintf(took, sizeof(took), "the %d calls took %.0f ms", process_memory::kCheckedCalls, growths.manyMs);
  section.figures.back().note = took;

  section.figures.push_back(UnloadFigure(plugin.CanUnloadNow()));
  return section;
}

}  // namespace bench
