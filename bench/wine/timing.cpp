#include "timing.h"

#include <algorithm>
#include <cmath>

namespace bench {

LONGLONG Now() {
  LARGE_INTEGER counter;
  QueryPerformanceCounter(&counter);
  return counter.QuadPart;
}

double Microseconds(LONGLONG ticks) {
  static const double ticksPerMicrosecond = [] {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(frequency.QuadPart) / 1e6;
  }();
  return static_cast<double>(ticks) / ticksPerMicrosecond;
}

namespace {
// The value at the nearest rank among sorted values.
double Percentile(const std::vector<double>& sorted, double fraction) {
  const auto rank = static_cast<size_t>(std::lround(fraction * static_cast<double>(sorted.size() - 1)));
  return sorted[rank];
}
}  // namespace

Spread SpreadOf(std::vector<double> values) {
  if (values.empty()) return {};
  std::sort(values.begin(), values.end());
  const size_t middle = values.size() / 2;
  const double median = values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
  return {median, Percentile(values, 0.1), Percentile(values, 0.9), static_cast<int>(values.size())};
}

Spread Single(double value) { return {value, value, value, 1}; }

PairedSamples Alternating(int rounds, const std::function<double()>& plugin, const std::function<double()>& floor) {
  PairedSamples samples;
  for (int round = 0; round < rounds; ++round) {
    if (round % 2 == 0) {
      samples.plugin.push_back(plugin());
      samples.floor.push_back(floor());
    } else {
      samples.floor.push_back(floor());
      samples.plugin.push_back(plugin());
    }
  }
  return samples;
}

}  // namespace bench
