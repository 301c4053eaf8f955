#include "support/lzw_oracle.h"

void LiteralLzwDecoder::InitDictionary() {
  for (nextCode_ = 0; nextCode_ < 256; ++nextCode_) {
    dictionary_[nextCode_] = std::string(1, static_cast<char>(nextCode_));
  }
}

void LiteralLzwDecoder::SetInput(const std::uint8_t* input, std::uint32_t length) {
  input_ = input;
  length_ = length;
  pos_ = 0;
}

void LiteralLzwDecoder::Decode() {
  for (; pos_ + 2 <= length_; pos_ += 2) {
    // Full at 65536 entries: back to the single bytes; the previous string stays.
    if (dictionary_.size() > 65535) {
      dictionary_.clear();
      InitDictionary();
    }
    std::uint32_t code = input_[pos_] | static_cast<std::uint32_t>(input_[pos_ + 1]) << 8;
    auto found = dictionary_.find(code);
    if (found != dictionary_.end()) {
      // A defined code: its string; the entry it defines is the previous string and its first byte.
      std::string entry = found->second;
      output_ += entry;
      if (started_) dictionary_.emplace(nextCode_++, previous_ + entry[0]);
      previous_ = entry;
      started_ = true;
    } else {
      // Any other code: the previous string and its own first byte (0 for an empty one).
      previous_ += previous_.empty() ? '\0' : previous_[0];
      output_ += previous_;
      dictionary_.emplace(nextCode_++, previous_);
    }
  }
}

std::vector<std::uint8_t> LiteralLzwDecode(std::span<const std::uint8_t> input) {
  LiteralLzwDecoder decoder;
  decoder.InitDictionary();
  decoder.SetInput(input.data(), static_cast<std::uint32_t>(input.size()));
  decoder.Decode();
  const std::string& output = decoder.Output();
  return {output.begin(), output.end()};
}
