// Decoding speed, in bytes of decoded output per second on one core, of the installer's
// decoder, of the literal hash-map decoder and of memcpy over the same bytes.
//
// The files are those of the sample add-on (textures, cfg/xml text, model data and
// already-compressed data). Each is encoded on its own, as the package does, and decoded
// as a worker does: with one scratch reused file after file, in pieces, one dictionary's
// output at a time.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "bench_fixture.h"
#include "package/lzw_decoder.h"
#include "package/unpack.h"
#include "support/lzw_oracle.h"
#include "vendor/lzw_encoder.h"

namespace {
using Bytes = std::vector<std::uint8_t>;

struct Sample {
  std::vector<Bytes> files;    // the original files
  std::vector<Bytes> streams;  // each one encoded
  std::size_t bytes = 0;       // of all files together
};

// The listed files of the benchmark's sample add-on, each encoded on its own.
const Sample& TheSample() {
  static const Sample sample = [] {
    Sample made;
    const BenchFixture& fixture = Fixture();
    for (const std::string& entry : fixture.entries) {
      std::ifstream in(fixture.dir + "/addon/" + entry, std::ios::binary);
      Bytes file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
      made.streams.push_back(LzwEncode(file));
      made.bytes += file.size();
      made.files.push_back(std::move(file));
    }
    return made;
  }();
  return sample;
}

// As a worker decodes: in pieces of the temporary, the output dropped at each restart.
void BM_LzwDecodeFast(benchmark::State& state) {
  const Sample& sample = TheSample();
  LzwScratch scratch;  // one per worker, reused file after file
  for (auto _ : state) {
    for (const Bytes& stream : sample.streams) {
      LzwDecoder decoder(scratch);
      decoder.InitDictionary();
      for (std::size_t at = 0; at < stream.size(); at += kInputPiece) {
        std::size_t count = std::min<std::size_t>(kInputPiece, stream.size() - at);
        decoder.DecodePiece(stream.data() + at, static_cast<std::uint32_t>(count),
                            [](std::span<const std::uint8_t> out) { benchmark::DoNotOptimize(out.data()); });
      }
      benchmark::DoNotOptimize(decoder.TakeOutput().data());
      if (decoder.GetStatus() != LzwDecoder::Status::Finished) state.SkipWithError("decoding failed");
    }
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * sample.bytes));
}
BENCHMARK(BM_LzwDecodeFast)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(5)->ReportAggregatesOnly(true);

void BM_LzwDecodeLiteral(benchmark::State& state) {
  const Sample& sample = TheSample();
  for (auto _ : state) {
    for (const Bytes& stream : sample.streams) benchmark::DoNotOptimize(LiteralLzwDecode(stream).data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * sample.bytes));
}
BENCHMARK(BM_LzwDecodeLiteral)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(5)->ReportAggregatesOnly(true);

// The memory's copying speed, the decoder's ceiling: the sample's bytes copied between two
// buffers larger than the last-level cache, so that no run is served from the cache.
void BM_Memcpy(benchmark::State& state) {
  const Sample& sample = TheSample();
  long cache = sysconf(_SC_LEVEL3_CACHE_SIZE);
  std::size_t size = std::clamp<std::size_t>(2 * static_cast<std::size_t>(std::max(cache, 0L)), 256u << 20, 1u << 30);
  Bytes from(size), to(size);
  for (std::size_t at = 0; at < size;) {
    for (const Bytes& file : sample.files) {
      std::size_t n = std::min(file.size(), size - at);
      std::memcpy(from.data() + at, file.data(), n);
      at += n;
    }
  }
  for (auto _ : state) {
    std::memcpy(to.data(), from.data(), size);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size));
}
BENCHMARK(BM_Memcpy)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(5)->ReportAggregatesOnly(true);
}  // namespace
