// Decoder of the package's LZW streams: 16-bit little-endian codes over a dictionary
// of the 256 single bytes that grows by one entry per code to 65536 entries and then
// starts again (the string carried over forms entry 256).
//
// Every dictionary string is a substring of the output already written (each new
// entry is the previous code's string plus one byte), so the table stores an offset
// and a length per code and each code becomes one bounded copy inside the output.
// The literal codes point into a block of the bytes 0..255 kept in front of the output.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

// Working memory of a decoder: the output buffer and the code table. A worker keeps one
// for all its files so that memory follows the largest file, not the number of files.
// One decoder at a time may use it.
class LzwScratch {
 public:
  // Largest buffer (256 literal bytes, then the output): offsets must fit 32 bits.
  static constexpr std::uint64_t kMaxBytes = 0xFFFFFFFFu;

  // maxBytes caps the buffer below kMaxBytes (a memory budget; the tests use a small one).
  explicit LzwScratch(std::uint64_t maxBytes = kMaxBytes);
  ~LzwScratch();
  LzwScratch(const LzwScratch&) = delete;
  LzwScratch& operator=(const LzwScratch&) = delete;

 private:
  friend class LzwDecoder;
  struct Entry {
    std::uint32_t offset;  // into buffer_
    std::uint32_t length;
  };
  static constexpr std::uint32_t kLiteralBytes = 256;
  // Copies run in 16-byte chunks, reading and writing up to 15 bytes past a string's
  // end; the buffer keeps this much beyond its capacity for them.
  static constexpr std::size_t kSlack = 64;

  // Makes room for a buffer of `bytes` meaningful bytes plus the slack; false when the
  // memory cannot be had or the cap would be passed.
  bool Reserve(std::uint64_t bytes);
  std::uint8_t* buffer_ = nullptr;  // 256 literal bytes 0..255, then the output
  std::size_t capacity_ = 0;        // meaningful bytes that fit (the slack comes on top)
  std::uint64_t maxBytes_;
  Entry* table_ = nullptr;  // 65536 entries; allocated without throwing
};

class LzwDecoder {
 public:
  enum class Status { Ready, Finished, Cancelled, DictionaryRefused, OutOfMemory, Restart };

  LzwDecoder();                             // with scratch memory of its own
  explicit LzwDecoder(LzwScratch& scratch);  // with a worker's scratch memory
  ~LzwDecoder();
  LzwDecoder(const LzwDecoder&) = delete;
  LzwDecoder& operator=(const LzwDecoder&) = delete;

  // Defines the codes 0..255. A code already defined is refused with the dictionary box
  // and the others are still defined.
  void InitDictionary();
  void SetInput(const std::uint8_t* input, std::uint32_t length);
  // Decodes to the end of the input, or until g_cancelRequested is seen between two codes
  // (Cancelled; a later call goes on from there). It is looked at before the first code
  // and then at least every few thousand codes. A trailing odd byte is ignored.
  // Output that cannot be held (the 256 literal bytes and the output reaching 4 GiB, or
  // memory refused) stops with OutOfMemory before the code that does not fit. An entry
  // the dictionary refuses shows the dictionary box and ends the decoding for good
  // (DictionaryRefused); only a second InitDictionary on a used dictionary leads there.
  // With stopAtRestart it also stops where the dictionary is full, before the code that
  // starts it again (Restart): no later code copies from the output before that point but
  // from the last string, so the caller may take the output, DropOutput and go on. The
  // memory then follows the output of one dictionary, not of the whole file.
  void Decode(bool stopAtRestart = false);
  // At a Restart: forgets the output taken so far but the last string, and starts the
  // dictionary again. Nothing otherwise.
  void DropOutput();
  // The bytes decoded since the start or the last DropOutput; valid until the next Decode,
  // or until the decoder or its scratch is destroyed or the scratch is handed to another
  // decoder.
  std::span<const std::uint8_t> TakeOutput() const;
  Status GetStatus() const { return status_; }
  // One piece of a stream, decoded as a worker decodes: the output of each full dictionary
  // is handed to take (a span) and dropped. The last dictionary's output stays for
  // TakeOutput; the status tells how the piece ended.
  template <class Take>
  void DecodePiece(const std::uint8_t* input, std::uint32_t length, Take&& take) {
    SetInput(input, length);
    for (Decode(true); status_ == Status::Restart; Decode(true)) {
      take(TakeOutput());
      DropOutput();
    }
  }

 private:
  bool LookUp(std::uint32_t code) const { return code < count_; }
  bool AddEntry(std::uint32_t code, std::uint32_t offset, std::uint32_t length);
  bool DecodeOne(std::uint32_t code);  // any state; false when decoding must stop
  // The common state (started, nextCode_ == count_); false when it must stop (cancelled, or
  // at a restart it was asked to stop at). It may leave codes for DecodeOne, when the
  // buffer cannot grow for them.
  bool DecodeRun(bool stopAtRestart);

  std::unique_ptr<LzwScratch> own_;
  LzwScratch* scratch_;  // null only when the decoder's own scratch could not be had
  std::uint32_t count_ = 0;  // entries defined: codes 0..count_-1
  std::uint32_t nextCode_ = 0;
  std::uint32_t pos_ = 0;
  std::uint32_t length_ = 0;  // even: the trailing odd byte is never read
  const std::uint8_t* input_ = nullptr;
  std::size_t end_ = LzwScratch::kLiteralBytes;  // end of the output in the scratch buffer
  std::size_t outputStart_ = LzwScratch::kLiteralBytes;  // where TakeOutput begins
  // The previous code's string; when set, it ends where the output ends.
  std::uint32_t previousOffset_ = 0;
  std::uint32_t previousLength_ = 0;
  bool started_ = false;
  Status status_ = Status::Ready;
};
