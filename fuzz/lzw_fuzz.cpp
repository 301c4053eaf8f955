// Any byte string is a stream: the fast decoder must give exactly the literal one's bytes.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <vector>

#include "package/lzw_decoder.h"
#include "support/lzw_oracle.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 0xFFFFFFFFu) return 0;
  static LzwScratch scratch;  // reused, as a worker does, so stale state would show
  LzwDecoder decoder(scratch);
  decoder.InitDictionary();
  decoder.SetInput(data, static_cast<std::uint32_t>(size));
  decoder.Decode();
  std::span<const std::uint8_t> fast = decoder.TakeOutput();
  std::vector<std::uint8_t> literal = LiteralLzwDecode({data, size});
  if (decoder.GetStatus() != LzwDecoder::Status::Finished ||
      !std::equal(fast.begin(), fast.end(), literal.begin(), literal.end())) {
    std::fprintf(stderr, "lzw: fast decoder gave %zu bytes (status %d), literal %zu\n", fast.size(),
                 static_cast<int>(decoder.GetStatus()), literal.size());
    std::abort();
  }
  return 0;
}
