// The decoder written the plain way: a hash map from code to byte string, one step per
// code exactly as the installer's decoder behaves. Slow; the fast decoder must give the
// same bytes on every input, and the tests, the fuzz target and the benchmark compare
// against this one.
#pragma once

#include <atomic>
#include <cstdint>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

class LiteralLzwDecoder {
 public:
  enum class Status { Ready, Finished, Cancelled, DictionaryRefused };

  // Stops before a code whenever *cancel is set; nullptr never stops.
  explicit LiteralLzwDecoder(const std::atomic<bool>* cancel = nullptr) : cancel_(cancel) {}

  void InitDictionary();
  void SetInput(const std::uint8_t* input, std::uint32_t length);
  void Decode();
  const std::string& Output() const { return output_; }
  Status GetStatus() const { return status_; }

 private:
  bool LookUp(std::uint32_t code, std::string& entry) const;
  bool AddEntry(std::uint32_t code, const std::string& bytes);

  const std::atomic<bool>* cancel_;
  std::unordered_map<std::uint32_t, std::string> dictionary_;
  std::uint32_t nextCode_ = 0;
  std::uint32_t pos_ = 0;
  std::uint32_t length_ = 0;
  const std::uint8_t* input_ = nullptr;
  std::uint32_t code_ = 0;
  std::string entry_;
  std::string previous_;
  std::string output_;
  bool started_ = false;
  Status status_ = Status::Ready;
};

// Construct, InitDictionary, SetInput, Decode: the installer's calling order.
std::vector<std::uint8_t> LiteralLzwDecode(std::span<const std::uint8_t> input,
                                           const std::atomic<bool>* cancel = nullptr);
