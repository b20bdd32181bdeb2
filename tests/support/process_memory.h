// What the process holds in memory, and the plug-in's memory check built on it, shared by the
// memory test (which asserts the bounds) and the benchmark (which prints the same figures):
// - private bytes: committed private pages, summed by walking the address space, since Wine
//   leaves PROCESS_MEMORY_COUNTERS_EX::PrivateUsage at 0;
// - live heap blocks: the busy blocks of every process heap (Wine's heaps list every block; a
//   low-fragmentation heap on Windows would show a group of small blocks as one).
#pragma once

#include <windows.h>
#include <wrl/client.h>

#include <cstdint>
#include <functional>

#include "Duvisto_h.h"
#include "com_owners.h"

namespace process_memory {

struct Usage {
  std::int64_t privateBytes = 0;
  std::int64_t heapBlocks = 0;
};

Usage Measure();
Usage operator-(const Usage& after, const Usage& before);
// The change in what the process holds across `work`.
Usage GrowthAcross(const std::function<void()>& work);

// --- The check: one warm object, a million window-free calls -------------------------------

inline constexpr int kWarmCalls = 100'000;
inline constexpr int kCheckedCalls = 1'000'000;

// How much a million calls on a warm object may grow the process. Under Wine, with no calls, with
// 10,000 and with a million, both figures stay exactly where they were; only a cold object's first
// calls add a few blocks (3 at most), which the warm-up absorbs.
struct Bounds {
  std::int64_t privateBytes;
  std::int64_t heapBlocks;
};
inline constexpr Bounds kCheckedCallBounds{
    // 64 KiB: one step of heap growth (Wine's heaps grow in steps of exactly 64 KiB), for a
    // one-off block that needs fresh heap; a leak of one byte per call would be 1 MB.
    64 * 1024,
    // 16 blocks: five times the most a cold object's first calls added; a leak in any one of
    // the six calls would be 166,000.
    16,
};

// The host's window-free calls, in turn: GetPublishInfo, GetPublishCommandInfo (row 3),
// ParseCommand "/xbchkcontact" and "/nothing", ReceiveNotify "check" and "brows"
// ("www.example.com"). The arguments and the in-out strings are made once, up front, so
// that between two measurements only the calls allocate.
class WindowFreeCalls {
 public:
  explicit WindowFreeCalls(Microsoft::WRL::ComPtr<_Browse> browse);
  // `count` calls through the vtable; the first failure ends them and is returned.
  HRESULT Run(int count);

 private:
  HRESULT Call(int which);

  Microsoft::WRL::ComPtr<_Browse> browse_;
  duvisto::UniqueBstr name_, value_, help_, result_;
  duvisto::UniqueBstr knownCommand_, unknownCommand_, noArgument_;
  duvisto::UniqueBstr checkCode_, pushCode_, address_, contact_;
  duvisto::UniqueVariant rowResult_;
};

}  // namespace process_memory
