// How slow a transfer may get before it counts as broken off. A pilot's link that works
// at all moves far more than 1 KiB a second; a server that sends less for a whole minute
// (a stalled or dripping one) would otherwise hold the installer forever. The same floor
// and window hold for every fetch and the package, on every platform.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>

constexpr std::uint32_t kSpeedFloorBytesPerSecond = 1024;
constexpr int kStallWindowSeconds = 60;
// A server that cannot even be connected to (TCP and TLS) in this time is not there.
constexpr int kConnectTimeoutSeconds = 15;

// The window in force: kStallWindowSeconds unless shortened (tests, qz --stall-seconds).
int StallWindowSeconds();
void SetStallWindowSeconds(int seconds);  // 0 or less: back to the default

// Fed with the bytes received so far from one thread, asked from another: stalled once a
// whole window has passed since the start or the last good window with fewer than the
// floor's bytes in it. Silence before the first byte counts too.
class TransferPace {
 public:
  TransferPace();
  void Received(std::uint64_t total) { total_ = total; }
  bool Stalled();

 private:
  std::chrono::steady_clock::time_point windowStart_;
  std::uint64_t atWindowStart_ = 0;
  std::atomic<std::uint64_t> total_{0};
};
