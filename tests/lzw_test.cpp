#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "app/state.h"
#include "support/lzw_oracle.h"
#include "support/recording_ui.h"
#include "vendor/lzw_encoder.h"

namespace {
using Bytes = std::vector<std::uint8_t>;
using Status = LzwDecoder::Status;
constexpr std::uint32_t kPerRestart = 65536 - 256;  // entries defined between two restarts
using Decoded = LzwDecoded;

Bytes Codes(const std::vector<std::uint32_t>& codes) {
  Bytes stream;
  for (std::uint32_t code : codes) stream.insert(stream.end(), {std::uint8_t(code), std::uint8_t(code >> 8)});
  return stream;
}

Bytes Text(const std::string& text) { return Bytes(text.begin(), text.end()); }

// Runs of 1..`run` equal bytes, each drawn from `letters` values from 'a' on (past 255 they
// wrap round): (4, 6) is text over a four-letter alphabet, (256, 1) random bytes.
Bytes Generated(std::size_t size, std::uint32_t seed, unsigned letters, unsigned run) {
  std::mt19937 random(seed);
  Bytes data;
  while (data.size() < size) {
    std::size_t length = 1 + random() % run;
    data.insert(data.end(), length, static_cast<std::uint8_t>('a' + random() % letters));
  }
  data.resize(size);
  return data;
}

// Codes no encoder writes (below, at and beyond the next free one) through the restarts.
Bytes HandMade(std::size_t codeCount, std::uint32_t seed) {
  std::mt19937 random(seed);
  std::vector<std::uint32_t> codes;
  for (std::uint32_t k = 0, count = 256; k < codeCount; ++k, count += k > 1) {
    if (count == 65536) count = 256;
    std::uint32_t pick = static_cast<std::uint32_t>(random() % 100);
    codes.push_back(static_cast<std::uint32_t>(pick < 80 ? random() % count : pick < 90 ? count : random() % 65536));
  }
  return Codes(codes);
}

class LzwTest : public ::testing::Test {
 protected:
  void SetUp() override { ResetInstallerState(); }
  void TearDown() override { ResetInstallerState(); }
};

// Streams with a known output pin both decoders, the encoder's streams give back its input,
// and on hand-made streams the fast decoder gives the literal one's bytes.
TEST_F(LzwTest, LzwDecodersGiveKnownOutputsTheEncodersInputAndAgreeOnStreamsNoEncoderWrites) {
  // Every code the one being defined, each string one byte longer.
  std::vector<std::uint32_t> chain{'Q'};
  for (std::uint32_t k = 0; k < 3000; ++k) chain.push_back(256 + k);
  // 'A'..'Z' until the dictionary is full; right after the restart 300 is not defined,
  // 256 is the string carried over, 257 is defined by the code before it and 0 is a literal again.
  std::vector<std::uint32_t> restart;
  Bytes restarted;
  for (std::uint32_t k = 0; k <= kPerRestart; ++k) {
    restart.push_back('A' + k % 26);
    restarted.push_back(static_cast<std::uint8_t>(restart.back()));
  }
  restart.insert(restart.end(), {300, 256, 257, 0});
  restarted.insert(restarted.end(), 7, restarted.back());
  restarted.push_back(0);
  std::vector<std::pair<Bytes, Bytes>> cases = {
      {Codes({0x41, 0x42, 0x100}), Text("ABAB")},        // 256 = "AB", 257 = "BA"
      {Codes({0x41, 0x100, 0x101}), Text("AAAAAA")},     // 256 used while it is being defined, then 257
      {Codes({0x41, 0x42, 0x101}), Text("ABBB")},        // 257 is not defined yet: "B" + "B"
      {Codes({0x41, 0x42, 0x1234}), Text("ABBB")},       // far beyond the next free code
      {Codes({0x1234, 0x100, 0x41}), Bytes{0, 0, 'A'}},  // an empty string's first byte is 0
      {Codes({0x41, 0x42, 0x43, 0x101, 0x102}), Text("ABCBCCB")},
      {{}, {}},
      {{0x41}, {}},  // a lone odd byte is never a code, nor one after codes
      {{0x41, 0, 0x42, 0, 0, 1, 0xFF}, Text("ABAB")},
      {Codes(chain), Bytes(3001 * 3002 / 2, 'Q')},
      {Codes(restart), restarted},
  };
  for (std::size_t i = 0; i < cases.size(); ++i) {
    const auto& [stream, expected] = cases[i];
    EXPECT_TRUE(LiteralLzwDecode(stream) == expected) << i;
    if (expected.empty() || expected.size() > 16) continue;
    // A buffer of exactly the output, or one byte less, sends every code the exact way (an
    // output within one chunk leaves no room for a batch): all of it, or all but the last code.
    LzwScratch exact(256 + expected.size()), tooSmall(255 + expected.size());
    EXPECT_EQ(FastLzwDecode(stream, &exact), (Decoded{expected, Status::Finished})) << i;
    Bytes allButLast = LiteralLzwDecode(Bytes(stream.begin(), stream.begin() + (stream.size() / 2 - 1) * 2));
    EXPECT_EQ(FastLzwDecode(stream, &tooSmall), (Decoded{allButLast, Status::OutOfMemory})) << i;
  }
  // Hand-made streams: 300 short ones, then two through two and three restarts.
  for (std::uint32_t seed = 0; seed < 302; ++seed) {
    Bytes stream = HandMade(seed < 300 ? seed * 5 : (seed - 298) * 65536 + seed * 3, seed);
    cases.emplace_back(stream, LiteralLzwDecode(stream));
  }
  for (Bytes data : {Bytes{7}, Bytes{7, 7}, Bytes(300000, 0), Generated(400000, 4, 256, 1),
                     Generated(3000000, 5, 4, 6), Bytes{3}}) {
    cases.emplace_back(LzwEncode(data), data);
  }
  ASSERT_GT(cases[cases.size() - 2].first.size() / 2, 2 * kPerRestart);  // the large one restarts twice
  EXPECT_TRUE(LzwEncode({}).empty());
  // Every other stream as a worker decodes it: one scratch for all, in pieces of many sizes.
  LzwScratch shared;
  for (std::size_t i = 0; i < cases.size(); ++i) {
    std::size_t piece = i % 2 ? 2 * (1 + i % 3000) : 0;  // the others whole, with a scratch of their own
    Decoded decoded = FastLzwDecode(cases[i].first, piece ? &shared : nullptr, piece);
    ASSERT_EQ(decoded, (Decoded{cases[i].second, Status::Finished})) << i;
  }
}

TEST_F(LzwTest, LzwCancelStopsBeforeTheNextCodeAndALaterCallGoesOn) {
  const Bytes data = Generated(200000, 31, 4, 6), stream = LzwEncode(data);
  const std::uint32_t half = static_cast<std::uint32_t>(stream.size() / 4 * 2);
  LzwDecoder decoder;
  decoder.InitDictionary();
  decoder.SetInput(stream.data(), half);
  g_cancelRequested = true;  // before the first code
  decoder.Decode();
  EXPECT_EQ(LzwOutput(decoder), (Decoded{{}, Status::Cancelled}));
  g_cancelRequested = false;
  decoder.Decode();
  const auto [first, status] = LzwOutput(decoder);
  ASSERT_EQ(status, Status::Finished);
  ASSERT_TRUE(first.size() < data.size() && std::equal(first.begin(), first.end(), data.begin()));
  decoder.SetInput(stream.data() + half, static_cast<std::uint32_t>(stream.size() - half));
  g_cancelRequested = true;  // between two codes in the middle of the stream
  decoder.Decode();
  EXPECT_EQ(LzwOutput(decoder), (Decoded{first, Status::Cancelled}));
  g_cancelRequested = false;
  decoder.Decode();
  EXPECT_EQ(LzwOutput(decoder), (Decoded{data, Status::Finished}));
}

TEST_F(LzwTest, LzwARefusedEntryShowsTheDictionaryBox) {
  // On a used dictionary the next code's entry is refused whether that code is defined
  // (0x41) or not (0x3FF, its string made from the previous one).
  for (std::uint32_t next : {0x41u, 0x3FFu}) {
    SCOPED_TRACE(next);
    RecordingUi ui;
    const Bytes stream = Codes({0x41, 0x42, 0x100}), again = Codes({next, 0x42});
    LzwDecoder decoder;
    decoder.InitDictionary();
    decoder.InitDictionary();  // before decoding: every literal refused, nothing else changes
    EXPECT_EQ(ui.Boxes().size(), 256u);
    decoder.SetInput(stream.data(), static_cast<std::uint32_t>(stream.size()));
    decoder.Decode();
    EXPECT_EQ(LzwOutput(decoder), (Decoded{Text("ABAB"), Status::Finished}));
    // One box more than the literals', and that ends the decoding for good.
    decoder.InitDictionary();
    decoder.SetInput(again.data(), static_cast<std::uint32_t>(again.size()));
    decoder.Decode();
    decoder.Decode();
    EXPECT_EQ(decoder.GetStatus(), Status::DictionaryRefused);
    std::vector<MessageBoxRequest> boxes = ui.Boxes();
    ASSERT_EQ(boxes.size(), 513u);
    EXPECT_EQ(std::tie(boxes.back().text, boxes.back().caption, boxes.back().flags, boxes.back().owner),
              std::make_tuple("Ошибка записи в словарь!\nКлюч уже существует", "LZW", unsigned{kMbOk}, BoxOwner::None));
  }
}

TEST_F(LzwTest, LzwOutputBeyondTheCapStopsWithOutOfMemory) {
  const Bytes data = Generated(3000000, 41, 4, 6), stream = LzwEncode(data);
  // It stops exactly before the first code whose string does not fit, whatever room the
  // last strings find: the literal decoder gives where each code's output ends.
  std::vector<std::size_t> ends;
  LiteralLzwDecode(stream, &ends);
  LzwScratch small(1 << 20);
  for (std::uint32_t cap = (1u << 20) - 40; cap <= (1u << 20); cap += 8) {
    LzwScratch tight(cap);
    std::size_t fitting = *(std::upper_bound(ends.begin(), ends.end(), cap - 256) - 1);
    EXPECT_EQ(FastLzwDecode(stream, cap == (1u << 20) ? &small : &tight),
              (Decoded{Bytes(data.begin(), data.begin() + fitting), Status::OutOfMemory})) << cap;
  }
  // The same scratch still serves a file that fits.
  Bytes fits = Generated(200000, 42, 4, 6);
  EXPECT_EQ(FastLzwDecode(LzwEncode(fits), &small), (Decoded{fits, Status::Finished}));
}

}  // namespace
