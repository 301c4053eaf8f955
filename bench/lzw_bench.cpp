// Decoding speed, in bytes of decoded output per second on one core, of the installer's
// decoder, of the literal hash-map decoder and of memcpy over the same bytes.
//
// The files, 32 MiB in all, are made here deterministically in the proportions of an
// add-on's package by bytes: 40 % 24-bit textures, 25 % cfg/xml text, 20 % model data,
// 15 % data that is already compressed. Each file is encoded on its own, as the package
// does, and decoded with one scratch reused file after file, as a worker does.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "package/lzw_decoder.h"
#include "support/lzw_oracle.h"
#include "vendor/lzw_encoder.h"

namespace {
using Bytes = std::vector<std::uint8_t>;

void Put(Bytes& data, const void* value, std::size_t size) {
  const auto* bytes = static_cast<const std::uint8_t*>(value);
  data.insert(data.end(), bytes, bytes + size);
}

// A BMP-like 24-bit picture: a 54-byte header, then gradients with a little sensor noise
// and a few flat painted areas.
Bytes Texture(std::uint32_t width, std::uint32_t height, std::mt19937& random) {
  Bytes data(54, 0);
  data[0] = 'B';
  data[1] = 'M';
  std::uint32_t angle = random() % 256;
  int noise = 1 + static_cast<int>(random() % 6);
  for (std::uint32_t y = 0; y < height; ++y) {
    for (std::uint32_t x = 0; x < width; ++x) {
      bool flat = ((x / 64) + (y / 64) + angle) % 5 == 0;
      int base = static_cast<int>((x * angle / width + y * (256 - angle) / height) % 256);
      for (int channel = 0; channel < 3; ++channel) {
        int value = flat ? 40 * channel + 30 : base / (channel + 1) + 60 * channel;
        if (!flat) value += static_cast<int>(random() % static_cast<std::uint32_t>(noise));
        data.push_back(static_cast<std::uint8_t>(value));
      }
    }
  }
  return data;
}

Bytes ConfigText(std::size_t size, std::mt19937& random) {
  static const char* const kKeys[] = {"title", "sim", "model", "panel", "sound", "texture", "atc_id", "ui_manufacturer",
                                      "ui_type", "ui_variation", "description", "visual_damage", "max_gross_weight"};
  static const char* const kWords[] = {"Xq-730", "QZ", "Cargo", "Livery", "default", "true", "false", "external",
                                       "cockpit", "engine", "flaps", "gear", "light", "strobe", "beacon"};
  std::string text;
  std::uint32_t section = 0;
  while (text.size() < size) {
    switch (random() % 4) {
      case 0: text += "[fltsim." + std::to_string(section++) + "]\r\n"; break;
      case 1:
        text += "<Parameter Name=\"" + std::string(kWords[random() % 15]) + "\" Value=\"" +
                std::to_string(random() % 10000) + "\"/>\r\n";
        break;
      default:
        text += std::string(kKeys[random() % 13]) + "=" + kWords[random() % 15] + " " + kWords[random() % 15] + " " +
                std::to_string(static_cast<double>(random() % 100000) / 1000.0) + "\r\n";
    }
  }
  text.resize(size);
  return Bytes(text.begin(), text.end());
}

// Vertices (position, normal, texture coordinates as floats) on a smooth surface, then
// 16-bit triangle indices.
Bytes ModelData(std::uint32_t vertices, std::mt19937& random) {
  Bytes data;
  float phase = static_cast<float>(random() % 628) / 100.0f;
  for (std::uint32_t k = 0; k < vertices; ++k) {
    float t = static_cast<float>(k) * 0.01f + phase;
    float vertex[8] = {std::cos(t) * 3.0f, std::sin(t * 0.5f) * 2.0f, static_cast<float>(k % 64) * 0.25f,
                       std::cos(t), std::sin(t), 0.0f,
                       static_cast<float>(k % 64) / 64.0f, static_cast<float>(k / 64 % 64) / 64.0f};
    Put(data, vertex, sizeof vertex);
  }
  for (std::uint32_t k = 0; k + 65 < vertices; ++k) {
    std::uint16_t triangle[6] = {static_cast<std::uint16_t>(k), static_cast<std::uint16_t>(k + 1),
                                 static_cast<std::uint16_t>(k + 64), static_cast<std::uint16_t>(k + 1),
                                 static_cast<std::uint16_t>(k + 65), static_cast<std::uint16_t>(k + 64)};
    Put(data, triangle, sizeof triangle);
  }
  return data;
}

Bytes Compressed(std::size_t size, std::mt19937& random) {
  Bytes data(size);
  for (std::uint8_t& byte : data) byte = static_cast<std::uint8_t>(random());
  return data;
}

struct Sample {
  std::vector<Bytes> files;    // the original files
  std::vector<Bytes> streams;  // each one encoded
  std::size_t bytes = 0;       // of all files together
};

const Sample& TheSample() {
  static const Sample sample = [] {
    Sample made;
    std::mt19937 random(730);
    // Files of one kind until its share of 32 MiB is reached, the last one cut to fit.
    auto fill = [&made](std::size_t share, auto make) {
      for (std::size_t bytes = 0; bytes < share;) {
        Bytes file = make();
        file.resize(std::min(file.size(), share - bytes));
        bytes += file.size();
        made.files.push_back(std::move(file));
      }
    };
    constexpr std::size_t kTotal = 32u << 20;
    fill(kTotal / 100 * 40, [&] {
      std::uint32_t side = random() % 3 == 0 ? 1024u : 512u;
      return Texture(side, side, random);
    });
    fill(kTotal / 100 * 25, [&] { return ConfigText(2000 + random() % (600 * 1024), random); });
    fill(kTotal / 100 * 20, [&] { return ModelData(static_cast<std::uint32_t>(5000 + random() % 60000), random); });
    fill(kTotal / 100 * 15, [&] { return Compressed(10000 + random() % (1200 * 1024), random); });
    for (const Bytes& file : made.files) {
      made.streams.push_back(LzwEncode(file));
      made.bytes += file.size();
    }
    return made;
  }();
  return sample;
}

void BM_LzwDecodeFast(benchmark::State& state) {
  const Sample& sample = TheSample();
  LzwScratch scratch;  // one per worker, reused file after file
  for (auto _ : state) {
    for (const Bytes& stream : sample.streams) {
      LzwDecoder decoder(scratch);
      decoder.InitDictionary();
      decoder.SetInput(stream.data(), static_cast<std::uint32_t>(stream.size()));
      decoder.Decode();
      benchmark::DoNotOptimize(decoder.TakeOutput().data());
      if (decoder.GetStatus() != LzwDecoder::Status::Finished) state.SkipWithError("decoding failed");
    }
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * sample.bytes));
}
BENCHMARK(BM_LzwDecodeFast)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_LzwDecodeLiteral(benchmark::State& state) {
  const Sample& sample = TheSample();
  for (auto _ : state) {
    for (const Bytes& stream : sample.streams) benchmark::DoNotOptimize(LiteralLzwDecode(stream).data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * sample.bytes));
}
BENCHMARK(BM_LzwDecodeLiteral)->Unit(benchmark::kMillisecond)->UseRealTime();

// The decoded bytes written once more by plain copying: each file to its own place in
// a destination as large as the sample.
void BM_Memcpy(benchmark::State& state) {
  const Sample& sample = TheSample();
  Bytes target(sample.bytes);
  for (auto _ : state) {
    std::size_t at = 0;
    for (const Bytes& file : sample.files) {
      std::memcpy(target.data() + at, file.data(), file.size());
      at += file.size();
    }
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * sample.bytes));
}
BENCHMARK(BM_Memcpy)->Unit(benchmark::kMillisecond)->UseRealTime();
}  // namespace
