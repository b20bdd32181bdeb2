// Accounts for the work in flight, so the scenario runner can tell when everything a line
// caused has settled: per user, the deliveries posted but not yet begun and those being handled
// (nested ones included). Every change bumps a sequence number, so two equal snapshots mean
// nothing happened in between.
#pragma once

#include <array>
#include <cstdint>
#include <mutex>

namespace host {

inline constexpr int kUserCount = 2;  // A and B

class Activity {
 public:
  struct Snapshot {
    std::uint64_t sequence = 0;
    std::array<int, kUserCount> queued{};
    std::array<int, kUserCount> running{};
  };

  void Queued(int user);
  void Started(int user);
  void Finished(int user);
  Snapshot Take() const;

 private:
  mutable std::mutex mutex_;
  Snapshot now_;
};

}  // namespace host
