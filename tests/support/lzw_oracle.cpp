#include "support/lzw_oracle.h"

#include <algorithm>
#include <memory>
#include <string>
#include <unordered_map>

std::vector<std::uint8_t> LiteralLzwDecode(std::span<const std::uint8_t> input,
                                           std::vector<std::size_t>* ends) {
  std::unordered_map<std::uint32_t, std::string> dictionary;
  std::uint32_t nextCode = 0;
  std::string previous, output;
  bool started = false;
  for (std::size_t pos = 0; pos + 2 <= input.size(); pos += 2) {
    // The single bytes at the start and again when full at 65536 entries; the previous
    // string stays.
    if (dictionary.empty() || dictionary.size() > 65535) {
      dictionary.clear();
      for (nextCode = 0; nextCode < 256; ++nextCode) dictionary[nextCode] = std::string(1, char(nextCode));
    }
    std::uint32_t code = input[pos] | static_cast<std::uint32_t>(input[pos + 1]) << 8;
    auto found = dictionary.find(code);
    if (found != dictionary.end()) {
      // A defined code: its string; the entry it defines is the previous string and its first byte.
      std::string entry = found->second;
      output += entry;
      if (started) dictionary.emplace(nextCode++, previous + entry[0]);
      previous = entry;
      started = true;
    } else {
      // Any other code: the previous string and its own first byte (0 for an empty one).
      previous += previous.empty() ? '\0' : previous[0];
      output += previous;
      dictionary.emplace(nextCode++, previous);
    }
    if (ends != nullptr) ends->push_back(output.size());
  }
  return {output.begin(), output.end()};
}

LzwDecoded LzwOutput(const LzwDecoder& decoder) {
  std::span<const std::uint8_t> out = decoder.TakeOutput();
  return {{out.begin(), out.end()}, decoder.GetStatus()};
}

LzwDecoded FastLzwDecode(std::span<const std::uint8_t> input, LzwScratch* scratch, std::size_t piece) {
  auto fast = scratch ? std::make_unique<LzwDecoder>(*scratch) : std::make_unique<LzwDecoder>();
  fast->InitDictionary();
  std::vector<std::uint8_t> taken;
  auto take = [&](std::span<const std::uint8_t> out) { taken.insert(taken.end(), out.begin(), out.end()); };
  if (piece == 0) {
    fast->SetInput(input.data(), static_cast<std::uint32_t>(input.size()));
    fast->Decode();
  } else {
    std::size_t at = 0;
    do {
      fast->DecodePiece(input.data() + at, static_cast<std::uint32_t>(std::min(piece, input.size() - at)), take);
      at += piece;
    } while (at < input.size());
  }
  auto [last, status] = LzwOutput(*fast);
  taken.insert(taken.end(), last.begin(), last.end());
  return {taken, status};
}
