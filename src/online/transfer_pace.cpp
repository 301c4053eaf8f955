#include "online/transfer_pace.h"

namespace {
std::atomic<int> g_stallWindowSeconds{kStallWindowSeconds};
}  // namespace

int StallWindowSeconds() { return g_stallWindowSeconds; }

void SetStallWindowSeconds(int seconds) { g_stallWindowSeconds = seconds > 0 ? seconds : kStallWindowSeconds; }

TransferPace::TransferPace() : windowStart_(std::chrono::steady_clock::now()) {}

bool TransferPace::Stalled() {
  auto now = std::chrono::steady_clock::now();
  auto window = std::chrono::seconds(StallWindowSeconds());
  if (now - windowStart_ < window) return false;
  std::uint64_t total = total_;
  if (total - atWindowStart_ < std::uint64_t{kSpeedFloorBytesPerSecond} * static_cast<std::uint64_t>(window.count())) {
    return true;
  }
  windowStart_ = now;
  atWindowStart_ = total;
  return false;
}
