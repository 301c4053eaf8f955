// The decoder written the plain way: a hash map from code to byte string, one step per
// code exactly as the installer's decoder behaves. Slow; the fast decoder must give the
// same bytes on every input, and the tests, the fuzz target and the benchmark compare
// against this one.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

class LiteralLzwDecoder {
 public:
  void InitDictionary();  // the 256 single bytes
  void SetInput(const std::uint8_t* input, std::uint32_t length);
  void Decode();  // to the end of the input; a trailing odd byte is never read
  const std::string& Output() const { return output_; }

 private:
  std::unordered_map<std::uint32_t, std::string> dictionary_;
  std::uint32_t nextCode_ = 0;
  const std::uint8_t* input_ = nullptr;
  std::uint32_t pos_ = 0;
  std::uint32_t length_ = 0;
  std::string previous_;
  std::string output_;
  bool started_ = false;
};

// Construct, InitDictionary, SetInput, Decode: the installer's calling order.
std::vector<std::uint8_t> LiteralLzwDecode(std::span<const std::uint8_t> input);
