// Any byte string is a stream: the fast decoder must give exactly the literal one's bytes,
// decoding it whole and as a worker does, in pieces with the output dropped at each restart.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "support/lzw_oracle.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 0xFFFFFFFFu) return 0;
  static LzwScratch scratch;  // reused, as a worker does, so stale state would show
  std::vector<std::uint8_t> literal = LiteralLzwDecode({data, size});
  // Whole, then in pieces of an even size taken from the input's first byte.
  for (std::size_t piece : {std::size_t{0}, size == 0 ? 2 : 2 * (1 + std::size_t{data[0]} * 64)}) {
    auto [fast, status] = FastLzwDecode({data, size}, &scratch, piece);
    if (status == LzwDecoder::Status::Finished && fast == literal) continue;
    std::fprintf(stderr, "lzw: fast decoder (%s) gave %zu bytes (status %d), literal %zu\n",
                 piece == 0 ? "whole" : "in pieces", fast.size(), static_cast<int>(status), literal.size());
    std::abort();
  }
  return 0;
}
