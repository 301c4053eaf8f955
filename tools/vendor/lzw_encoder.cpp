#include "vendor/lzw_encoder.h"

#include <memory>

namespace {
constexpr std::uint32_t kCodeCount = 65536;
constexpr std::uint32_t kLiterals = 256;

// Open addressing over (prefix code << 8 | byte) -> code. A slot holds a stamp, the key
// and the code; a slot whose stamp is not the current one is empty, so a restart of the
// dictionary takes a new stamp instead of clearing the table.
class Dictionary {
 public:
  Dictionary() : slots_(new std::uint64_t[kSlots]()) {}

  // The code of `key`, or kCodeCount when it is not there; then `at` is the free slot
  // where Add puts it.
  std::uint32_t Find(std::uint32_t key, std::uint32_t& at) const {
    const std::uint64_t wanted = std::uint64_t{stamp_} << 24 | key;
    for (at = Hash(key);; at = (at + 1) & (kSlots - 1)) {
      std::uint64_t slot = slots_[at];
      if ((slot >> 16) == wanted) return static_cast<std::uint32_t>(slot & 0xFFFF);
      if ((slot >> 40) != stamp_) return kCodeCount;
    }
  }

  // Defines the next code as `key`, found missing at `at`; a restart first when all
  // codes are taken. A key whose prefix is a code from before the restart names another
  // string afterwards, so such an entry keeps its code but cannot be found.
  void Add(std::uint32_t key, std::uint32_t at) {
    if (count_ == kCodeCount) {
      Restart();
      if ((key >> 8) >= kLiterals) {
        ++count_;
        return;
      }
      at = Hash(key);  // the table is empty now
    }
    slots_[at] = std::uint64_t{stamp_} << 40 | std::uint64_t{key} << 16 | count_;
    ++count_;
  }

 private:
  static constexpr std::uint32_t kSlotBits = 18;  // at most 65280 keys: a quarter full
  static constexpr std::uint32_t kSlots = 1u << kSlotBits;

  static std::uint32_t Hash(std::uint32_t key) { return (key * 0x9E3779B1u) >> (32 - kSlotBits); }

  void Restart() {
    count_ = kLiterals;
    if (++stamp_ == (1u << 24)) {  // stamps used up: really clear, once in 16 million restarts
      for (std::uint32_t at = 0; at < kSlots; ++at) slots_[at] = 0;
      stamp_ = 1;
    }
  }

  std::unique_ptr<std::uint64_t[]> slots_;
  std::uint32_t stamp_ = 1;  // zeroed slots are empty
  std::uint32_t count_ = kLiterals;
};
}  // namespace

std::vector<std::uint8_t> LzwEncode(std::span<const std::uint8_t> data) {
  std::vector<std::uint8_t> stream;
  if (data.empty()) return stream;
  // Each code stands for at least one byte, so twice the input always suffices; start
  // smaller and grow, most data packs well below that.
  stream.resize(data.size() / 2 + 64);
  std::size_t used = 0;
  auto emit = [&stream, &used](std::uint32_t code) {
    if (used + 2 > stream.size()) stream.resize(stream.size() * 2);
    stream[used] = static_cast<std::uint8_t>(code);
    stream[used + 1] = static_cast<std::uint8_t>(code >> 8);
    used += 2;
  };

  Dictionary dictionary;
  std::uint32_t current = data[0];
  for (std::size_t k = 1; k < data.size(); ++k) {
    std::uint32_t key = current << 8 | data[k];
    std::uint32_t at;
    std::uint32_t code = dictionary.Find(key, at);
    if (code != kCodeCount) {
      current = code;
      continue;
    }
    emit(current);
    dictionary.Add(key, at);
    current = data[k];
  }
  emit(current);
  stream.resize(used);
  return stream;
}
