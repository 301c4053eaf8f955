#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "app/state.h"
#include "package/lzw_decoder.h"
#include "support/lzw_oracle.h"
#include "support/recording_ui.h"
#include "vendor/lzw_encoder.h"

namespace {
using Bytes = std::vector<std::uint8_t>;

constexpr std::uint32_t kFull = 65536;
constexpr std::uint32_t kEntriesPerRestart = kFull - 256;

struct Decoded {
  Bytes bytes;
  LzwDecoder::Status status;
};

Decoded Fast(const Bytes& stream, LzwScratch* scratch = nullptr) {
  std::unique_ptr<LzwDecoder> owned =
      scratch == nullptr ? std::make_unique<LzwDecoder>() : std::make_unique<LzwDecoder>(*scratch);
  LzwDecoder& decoder = *owned;
  decoder.InitDictionary();
  decoder.SetInput(stream.data(), static_cast<std::uint32_t>(stream.size()));
  decoder.Decode();
  std::span<const std::uint8_t> out = decoder.TakeOutput();
  return {Bytes(out.begin(), out.end()), decoder.GetStatus()};
}

Bytes Literal(const Bytes& stream) { return LiteralLzwDecode(stream); }

Bytes Codes(const std::vector<std::uint32_t>& codes) {
  Bytes stream;
  for (std::uint32_t code : codes) {
    stream.push_back(static_cast<std::uint8_t>(code));
    stream.push_back(static_cast<std::uint8_t>(code >> 8));
  }
  return stream;
}

Bytes Text(const std::string& text) { return Bytes(text.begin(), text.end()); }

// Data of the kinds a package holds, each from its own seed.
Bytes RandomBytes(std::size_t size, std::uint32_t seed) {
  std::mt19937 random(seed);
  Bytes data(size);
  for (std::uint8_t& byte : data) byte = static_cast<std::uint8_t>(random());
  return data;
}

Bytes LowEntropy(std::size_t size, std::uint32_t seed) {  // runs over a four-letter alphabet
  std::mt19937 random(seed);
  Bytes data;
  while (data.size() < size) data.insert(data.end(), 1 + random() % 6, static_cast<std::uint8_t>("acgt"[random() % 4]));
  data.resize(size);
  return data;
}

Bytes ConfigText(std::size_t size, std::uint32_t seed) {
  static const char* const kWords[] = {"[fltsim.0]\r\n", "title=", "model=", "texture=", "panel=", "sound=",
                                       "<Visibility>", "</Visibility>", "0.000000", "ui_variation=", "=1\r\n"};
  std::mt19937 random(seed);
  Bytes data;
  while (data.size() < size) {
    const char* word = kWords[random() % std::size(kWords)];
    data.insert(data.end(), word, word + std::strlen(word));
  }
  data.resize(size);
  return data;
}

// Streams no encoder writes: codes below, at and above the next free one, with the
// next free code followed through the restarts.
Bytes HandMade(std::size_t codeCount, std::uint32_t seed) {
  std::mt19937 random(seed);
  std::vector<std::uint32_t> codes;
  std::uint32_t count = 256;
  for (std::size_t k = 0; k < codeCount; ++k) {
    if (count == kFull) count = 256;
    std::uint32_t pick = static_cast<std::uint32_t>(random() % 100);
    if (pick < 80) codes.push_back(static_cast<std::uint32_t>(random() % count));
    else if (pick < 90) codes.push_back(count);
    else codes.push_back(static_cast<std::uint32_t>(random() % kFull));
    if (k > 0) ++count;
  }
  return Codes(codes);
}

class LzwTest : public ::testing::Test {
 protected:
  void SetUp() override { ResetInstallerState(); }
  void TearDown() override { ResetInstallerState(); }
};

TEST_F(LzwTest, LzwKnownStreams) {
  struct Case {
    Bytes stream;
    Bytes expected;
  };
  const Case cases[] = {
      {Codes({0x41, 0x42, 0x100}), Text("ABAB")},            // 256 = "AB", 257 = "BA"
      {Codes({0x41, 0x100}), Text("AAA")},                   // 256 used while it is being defined
      {Codes({0x41, 0x100, 0x101}), Text("AAAAAA")},         // and again, one longer
      {Codes({0x41, 0x42, 0x101}), Text("ABBB")},            // 257 is not defined yet: "B" + "B"
      {Codes({0x41, 0x42, 0x1234}), Text("ABBB")},           // far beyond the next free code
      {Codes({0x1234}), Bytes{0}},                           // nothing before: an empty string's first byte is 0
      {Codes({0x1234, 0x100, 0x41}), Bytes{0, 0, 'A'}},      // and that zero byte became entry 256
      {Codes({0x41, 0x42, 0x43, 0x101, 0x102}), Text("ABCBCCB")},
      {{}, {}},
      {{0x41}, {}},                                          // a lone odd byte is never a code
      {{0x41, 0x00, 0x42}, Text("A")},
      {{0x41, 0, 0x42, 0, 0, 1, 0xFF}, Text("ABAB")},      // an odd byte after codes is ignored too
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(::testing::PrintToString(test.stream));
    Decoded fast = Fast(test.stream);
    EXPECT_EQ(fast.bytes, test.expected);
    EXPECT_EQ(fast.status, LzwDecoder::Status::Finished);
    EXPECT_EQ(Literal(test.stream), test.expected);
  }
}

TEST_F(LzwTest, LzwRestartMakesTheNextCodeUndefined) {
  // 'A'..'Z' over and over: entry 256 + j is the letter pair starting at letter j.
  std::vector<std::uint32_t> codes;
  Bytes expected;
  for (std::uint32_t k = 0; k <= kEntriesPerRestart; ++k) {  // the first code defines nothing
    std::uint32_t letter = 'A' + k % 26;
    codes.push_back(letter);
    expected.push_back(static_cast<std::uint8_t>(letter));
  }
  std::uint8_t last = expected.back();
  // Before the restart 300 would be a letter pair; right after it, it is not defined.
  codes.push_back(300);
  expected.insert(expected.end(), {last, last});
  codes.push_back(256);  // the string carried over and its first byte
  expected.insert(expected.end(), {last, last});
  codes.push_back(257);  // defined by the code before: "<last><last>" + its first byte
  expected.insert(expected.end(), {last, last, last});
  Bytes stream = Codes(codes);
  Decoded fast = Fast(stream);
  EXPECT_EQ(fast.status, LzwDecoder::Status::Finished);
  EXPECT_EQ(fast.bytes, expected);
  EXPECT_EQ(Literal(stream), expected);
}

TEST_F(LzwTest, LzwGivesBackWhatTheEncoderWroteAcrossRestarts) {
  const std::pair<const char*, Bytes> kinds[] = {
      {"one byte", Bytes{7}},
      {"two bytes", Bytes{7, 7}},
      {"zeros", Bytes(300000, 0)},
      {"text", ConfigText(250000, 1)},
      {"random", RandomBytes(400000, 4)},
      {"low entropy", LowEntropy(3000000, 5)},
  };
  LzwScratch scratch;  // shared, as a worker does, in both directions of size
  for (const auto& [name, data] : kinds) {
    SCOPED_TRACE(name);
    Bytes stream = LzwEncode(data);
    ASSERT_EQ(stream.size() % 2, 0u);
    ASSERT_TRUE(data.size() <= 300000 || stream.size() / 2 > 2 * kEntriesPerRestart);  // big ones restart twice
    Decoded fast = Fast(stream, &scratch);
    EXPECT_EQ(fast.status, LzwDecoder::Status::Finished);
    EXPECT_TRUE(fast.bytes == data);
  }
  EXPECT_TRUE(LzwEncode({}).empty());
}

TEST_F(LzwTest, LzwFastMatchesLiteralOnStreamsNoEncoderWrites) {
  std::vector<std::pair<std::string, Bytes>> streams = {{"hand-made 1", HandMade(3 * kFull + 1000, 13)},
                                                        {"hand-made 2", HandMade(2 * kFull + 5, 14)}};
  for (std::uint32_t seed = 0; seed < 300; ++seed) {
    std::mt19937 random(seed);
    Bytes stream = RandomBytes(random() % 3001, seed);
    // Half of them with small codes, so that most are defined and the strings grow.
    if (seed % 2 == 1) {
      for (std::size_t k = 1; k < stream.size(); k += 2) stream[k] &= 0x03;
    }
    streams.emplace_back("seed " + std::to_string(seed), stream);
  }
  // The longest strings: every code the one being defined, each one byte longer.
  std::vector<std::uint32_t> chain{'Q'};
  for (std::uint32_t k = 0; k < 3000; ++k) chain.push_back(256 + k);
  streams.emplace_back("chain", Codes(chain));
  LzwScratch scratch;
  for (const auto& [name, stream] : streams) {
    SCOPED_TRACE(name + ", " + std::to_string(stream.size()) + " bytes");
    Decoded fast = Fast(stream, &scratch);
    EXPECT_EQ(fast.status, LzwDecoder::Status::Finished);
    ASSERT_TRUE(fast.bytes == Literal(stream));
  }
  EXPECT_EQ(Literal(streams.back().second).size(), 3001u * 3002 / 2);
}

TEST_F(LzwTest, LzwCancelStopsBeforeTheNextCode) {
  Bytes data = ConfigText(100000, 31);
  Bytes stream = LzwEncode(data);
  LzwDecoder decoder;
  decoder.InitDictionary();
  decoder.SetInput(stream.data(), static_cast<std::uint32_t>(stream.size()));
  g_cancelRequested = true;
  decoder.Decode();
  EXPECT_EQ(decoder.GetStatus(), LzwDecoder::Status::Cancelled);
  EXPECT_TRUE(decoder.TakeOutput().empty());

  g_cancelRequested = false;  // a later call goes on where the first one stopped
  decoder.Decode();
  EXPECT_EQ(decoder.GetStatus(), LzwDecoder::Status::Finished);
  std::span<const std::uint8_t> out = decoder.TakeOutput();
  EXPECT_TRUE(Bytes(out.begin(), out.end()) == data);
}

TEST_F(LzwTest, LzwSecondInitDictionaryRefusesEveryLiteral) {
  RecordingUi ui;
  g_russian = false;
  Bytes stream = Codes({0x41, 0x42, 0x100});
  LzwDecoder decoder;
  decoder.InitDictionary();
  EXPECT_TRUE(ui.Boxes().empty());
  decoder.InitDictionary();  // before decoding: every literal refused, nothing else changes
  std::vector<MessageBoxRequest> boxes = ui.Boxes();
  ASSERT_EQ(boxes.size(), 256u);
  EXPECT_EQ(std::tie(boxes[0].text, boxes[0].caption, boxes[0].flags, boxes[0].owner),
            std::make_tuple("Error writing to dictionary!\nKey already exists", "LZW", unsigned{kMbOk},
                            BoxOwner::None));
  decoder.SetInput(stream.data(), static_cast<std::uint32_t>(stream.size()));
  decoder.Decode();
  EXPECT_EQ(decoder.GetStatus(), LzwDecoder::Status::Finished);
  std::span<const std::uint8_t> out = decoder.TakeOutput();
  EXPECT_EQ(Bytes(out.begin(), out.end()), Text("ABAB"));

  g_russian = true;
  LzwDecoder russian;
  russian.InitDictionary();
  russian.InitDictionary();
  EXPECT_EQ(ui.Boxes().back().text, "Ошибка записи в словарь!\nКлюч уже существует");
}

TEST_F(LzwTest, LzwOutputBeyondTheCapStopsWithOutOfMemory) {
  Bytes data = LowEntropy(3000000, 41);
  Bytes stream = LzwEncode(data);
  LzwScratch small(1 << 20);
  Decoded capped = Fast(stream, &small);
  EXPECT_EQ(capped.status, LzwDecoder::Status::OutOfMemory);
  ASSERT_FALSE(capped.bytes.empty());
  EXPECT_LE(capped.bytes.size() + 256, 1u << 20);
  EXPECT_TRUE(std::equal(capped.bytes.begin(), capped.bytes.end(), data.begin()));
  // It stops exactly before the first code whose string does not fit, whatever room the
  // last strings find: the literal decoder, fed one code at a time, gives where each
  // code's string ends.
  for (std::uint32_t cap = (1u << 20) - 40; cap <= (1u << 20); cap += 8) {
    SCOPED_TRACE(cap);
    LzwScratch tight(cap);
    Decoded stopped = Fast(stream, &tight);
    LiteralLzwDecoder literal;
    literal.InitDictionary();
    std::size_t fitting = 0;
    for (std::size_t pos = 0; pos + 2 <= stream.size(); pos += 2) {
      literal.SetInput(stream.data() + pos, 2);
      literal.Decode();
      if (literal.Output().size() + 256 > cap) break;
      fitting = literal.Output().size();
    }
    EXPECT_EQ(stopped.status, LzwDecoder::Status::OutOfMemory);
    EXPECT_EQ(stopped.bytes.size(), fitting);
  }
  // The same scratch still serves a file that fits.
  Bytes fits = ConfigText(200000, 42);
  Decoded next = Fast(LzwEncode(fits), &small);
  EXPECT_EQ(next.status, LzwDecoder::Status::Finished);
  EXPECT_TRUE(next.bytes == fits);
}

}  // namespace
