// Decoder of the package's LZW streams: 16-bit little-endian codes over a dictionary
// of the 256 single bytes that grows by one entry per code to 65536 entries and then
// starts again (the string carried over forms entry 256).
//
// Every dictionary string is a substring of the output already written (each new
// entry is the previous code's string plus one byte), so the table stores an offset
// and a length per code and each code becomes one bounded copy inside the output.
#pragma once

#include <cstdint>
#include <memory>
#include <span>

// Working memory of a decoder: the output buffer and the code table. A worker keeps one
// for all its files so that memory follows the largest file, not the number of files.
class LzwScratch {
 public:
  LzwScratch();
  ~LzwScratch();
  LzwScratch(const LzwScratch&) = delete;
  LzwScratch& operator=(const LzwScratch&) = delete;

 private:
  friend class LzwDecoder;
  struct Entry {
    std::uint32_t offset;  // into buffer_
    std::uint32_t length;
  };
  bool Reserve(std::size_t bytes);  // false when the memory cannot be had
  std::uint8_t* buffer_ = nullptr;  // 256 literal bytes 0..255, then the output
  std::size_t capacity_ = 0;
  std::unique_ptr<Entry[]> table_;
};

class LzwDecoder {
 public:
  enum class Status { Ready, Finished, Cancelled, DictionaryRefused, OutOfMemory };

  LzwDecoder();                             // with scratch memory of its own
  explicit LzwDecoder(LzwScratch& scratch);  // with a worker's scratch memory
  ~LzwDecoder();
  LzwDecoder(const LzwDecoder&) = delete;
  LzwDecoder& operator=(const LzwDecoder&) = delete;

  // Defines the codes 0..255. A code already defined is refused with the dictionary box.
  void InitDictionary();
  void SetInput(const std::uint8_t* input, std::uint32_t length);
  // Decodes to the end of the input, or until g_cancelRequested is seen before a code.
  // A trailing odd byte is ignored. Output that cannot be held (over 4 GiB, or memory
  // refused) stops with OutOfMemory.
  void Decode();
  // The bytes decoded so far; valid until the decoder or its scratch is destroyed.
  std::span<const std::uint8_t> TakeOutput() const;
  Status GetStatus() const { return status_; }

 private:
  bool LookUp(std::uint32_t code) const { return code < count_; }
  bool AddEntry(std::uint32_t code, std::uint32_t offset, std::uint32_t length);

  std::unique_ptr<LzwScratch> own_;
  LzwScratch& scratch_;
  std::uint32_t count_ = 0;  // entries defined: codes 0..count_-1
  std::uint32_t nextCode_ = 0;
  std::uint32_t pos_ = 0;
  std::uint32_t length_ = 0;
  const std::uint8_t* input_ = nullptr;
  std::size_t end_ = 0;  // end of the output in the scratch buffer
  std::uint32_t previousOffset_ = 0;
  std::uint32_t previousLength_ = 0;
  bool started_ = false;
  Status status_ = Status::Ready;
};
