// The clock (QueryPerformanceCounter) and what the benchmark reports of many samples: the
// median and the 10th..90th percentile range.
#pragma once

#include <windows.h>

#include <functional>
#include <vector>

namespace bench {

LONGLONG Now();
double Microseconds(LONGLONG ticks);

struct Spread {
  double median = 0;
  double p10 = 0;
  double p90 = 0;
  int samples = 0;
};

Spread SpreadOf(std::vector<double> values);
// A single value, as a spread of one sample.
Spread Single(double value);

// Two measurements (each returning one sample) taken in turn, which one goes first alternating
// from round to round, so that drift in the machine and warm caches favour neither.
struct PairedSamples {
  std::vector<double> plugin, floor;
};
PairedSamples Alternating(int rounds, const std::function<double()>& plugin, const std::function<double()>& floor);

}  // namespace bench
