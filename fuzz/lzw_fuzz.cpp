// Any byte string is a stream: the fast decoder must give exactly the literal one's bytes,
// decoding it whole and as a worker does, in pieces with the output dropped at each restart.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <vector>

#include "package/lzw_decoder.h"
#include "support/lzw_oracle.h"

namespace {
void Check(bool same, const char* how, std::size_t bytes, LzwDecoder::Status status, std::size_t literal) {
  if (same) return;
  std::fprintf(stderr, "lzw: fast decoder (%s) gave %zu bytes (status %d), literal %zu\n", how, bytes,
               static_cast<int>(status), literal);
  std::abort();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 0xFFFFFFFFu) return 0;
  static LzwScratch scratch;  // reused, as a worker does, so stale state would show
  std::vector<std::uint8_t> literal = LiteralLzwDecode({data, size});
  LzwDecoder whole(scratch);
  whole.InitDictionary();
  whole.SetInput(data, static_cast<std::uint32_t>(size));
  whole.Decode();
  std::span<const std::uint8_t> fast = whole.TakeOutput();
  Check(whole.GetStatus() == LzwDecoder::Status::Finished &&
            std::equal(fast.begin(), fast.end(), literal.begin(), literal.end()),
        "whole", fast.size(), whole.GetStatus(), literal.size());

  // The piece size, even, comes from the input's first byte.
  std::size_t piece = size == 0 ? 2 : 2 * (1 + std::size_t{data[0]} * 64);
  LzwDecoder pieces(scratch);
  pieces.InitDictionary();
  std::vector<std::uint8_t> taken;
  for (std::size_t at = 0; at < size; at += piece) {
    pieces.SetInput(data + at, static_cast<std::uint32_t>(std::min(piece, size - at)));
    for (pieces.Decode(true); pieces.GetStatus() == LzwDecoder::Status::Restart; pieces.Decode(true)) {
      fast = pieces.TakeOutput();
      taken.insert(taken.end(), fast.begin(), fast.end());
      pieces.DropOutput();
    }
  }
  fast = pieces.TakeOutput();
  taken.insert(taken.end(), fast.begin(), fast.end());
  bool finished = size < 2 || pieces.GetStatus() == LzwDecoder::Status::Finished;
  Check(finished && taken == literal, "in pieces", taken.size(), pieces.GetStatus(), literal.size());
  return 0;
}
