#include "package/lzw_decoder.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>

#include "app/state.h"
#include "platform/ui_port.h"

namespace {
constexpr std::uint32_t kCodeCount = 65536;  // 16-bit codes: the dictionary is full at this many
constexpr std::uint32_t kLiterals = 256;
constexpr std::size_t kFirstCapacity = 64 * 1024;
// Strings of up to this many bytes, nearly all of them, are copied as one chunk.
constexpr std::uint32_t kChunk = 16;
// Codes decoded between two checks of the buffer's room.
constexpr std::size_t kCodesPerCheck = 4096;

void ShowDictionaryBox() {
  Ui().ShowMessageBox({Tr("Ошибка записи в словарь!\nКлюч уже существует",
                          "Error writing to dictionary!\nKey already exists"),
                       "LZW", kMbOk, BoxOwner::None});
}

// Sixteen bytes through a register-sized temporary: the two windows may overlap, though
// never within the bytes that matter, and the temporary keeps that well defined.
inline void Copy16(std::uint8_t* to, const std::uint8_t* from) {
  std::uint8_t chunk[16];
  std::memcpy(chunk, from, 16);
  std::memcpy(to, chunk, 16);
}

// Copies `length` bytes in 16-byte chunks, writing up to 15 bytes of garbage past them
// (the buffer's slack). The source ends at or before the destination, so no chunk reads
// a byte that matters after an earlier chunk has overwritten it.
inline void CopyString(std::uint8_t* to, const std::uint8_t* from, std::size_t length) {
  Copy16(to, from);
  if (length > 16) {
    Copy16(to + 16, from + 16);
    for (std::size_t done = 32; done < length; done += 16) Copy16(to + done, from + done);
  }
}
}  // namespace

LzwScratch::LzwScratch(std::uint64_t maxBytes)
    : maxBytes_(std::clamp<std::uint64_t>(maxBytes, kLiteralBytes, kMaxBytes)),
      table_(new (std::nothrow) Entry[kCodeCount]) {}

LzwScratch::~LzwScratch() {
  std::free(buffer_);
  delete[] table_;
}

bool LzwScratch::Reserve(std::uint64_t bytes) {
  if (bytes <= capacity_) return true;
  if (bytes > maxBytes_) return false;
  // A 32-bit size_t cannot hold every request below the cap.
  constexpr std::uint64_t kAddressable = std::numeric_limits<std::size_t>::max() - kSlack;
  if (bytes > kAddressable) return false;
  std::uint64_t wanted = std::max<std::uint64_t>({bytes, std::uint64_t{capacity_} * 2, kFirstCapacity});
  wanted = std::min({wanted, maxBytes_, kAddressable});
  void* grown = std::realloc(buffer_, static_cast<std::size_t>(wanted) + kSlack);
  if (grown == nullptr && wanted > bytes) {
    wanted = bytes;  // doubling was too much; exactly what is needed may still be had
    grown = std::realloc(buffer_, static_cast<std::size_t>(wanted) + kSlack);
  }
  if (grown == nullptr) return false;
  bool fresh = buffer_ == nullptr;
  buffer_ = static_cast<std::uint8_t*>(grown);
  capacity_ = static_cast<std::size_t>(wanted);
  if (fresh) {
    for (std::uint32_t value = 0; value < kLiteralBytes; ++value) buffer_[value] = static_cast<std::uint8_t>(value);
  }
  return true;
}

LzwDecoder::LzwDecoder() : own_(new (std::nothrow) LzwScratch()), scratch_(own_.get()) {}

LzwDecoder::LzwDecoder(LzwScratch& scratch) : scratch_(&scratch) {}

LzwDecoder::~LzwDecoder() = default;

bool LzwDecoder::AddEntry(std::uint32_t code, std::uint32_t offset, std::uint32_t length) {
  if (LookUp(code)) return false;
  // Codes are handed out in order, so `code` is count_ and the table stays dense.
  scratch_->table_[code] = {offset, length};
  count_ = code + 1;
  return true;
}

void LzwDecoder::InitDictionary() {
  if (scratch_ == nullptr || scratch_->table_ == nullptr) {
    status_ = Status::OutOfMemory;
    return;
  }
  for (nextCode_ = 0; nextCode_ < kLiterals; ++nextCode_) {
    // Literal c is the byte at offset c of the block in front of the output.
    if (!AddEntry(nextCode_, nextCode_, 1)) ShowDictionaryBox();
  }
}

void LzwDecoder::SetInput(const std::uint8_t* input, std::uint32_t length) {
  input_ = input;
  length_ = length & ~1u;
  pos_ = 0;
}

std::span<const std::uint8_t> LzwDecoder::TakeOutput() const {
  if (scratch_ == nullptr || scratch_->buffer_ == nullptr) return {};
  return {scratch_->buffer_ + outputStart_, end_ - outputStart_};
}

void LzwDecoder::DropOutput() {
  if (status_ != Status::Restart) return;
  // Entry 256 of the new dictionary is the last string and the next code's first byte.
  std::memmove(scratch_->buffer_ + LzwScratch::kLiteralBytes, scratch_->buffer_ + previousOffset_, previousLength_);
  previousOffset_ = LzwScratch::kLiteralBytes;
  end_ = outputStart_ = LzwScratch::kLiteralBytes + previousLength_;
  count_ = nextCode_ = kLiterals;  // the literals are never overwritten
  status_ = Status::Ready;
}

void LzwDecoder::Decode(bool stopAtRestart) {
  if (status_ == Status::DictionaryRefused || status_ == Status::Restart) return;
  if (scratch_ == nullptr || scratch_->table_ == nullptr) {
    status_ = Status::OutOfMemory;
    return;
  }
  if (pos_ < length_) {
    // A first guess at the output spares most of the growing; each code still checks.
    std::uint64_t guess = end_ + std::uint64_t{length_ - pos_} * 3 + 4096;
    if (!scratch_->Reserve(std::min(guess, scratch_->maxBytes_))) scratch_->Reserve(end_);
    if (scratch_->buffer_ == nullptr) {
      status_ = Status::OutOfMemory;
      return;
    }
  }
  while (pos_ < length_) {
    if (started_ && nextCode_ == count_) {
      if (!DecodeRun(stopAtRestart)) return;
      if (pos_ == length_) break;
      // The buffer could not grow for the next code: it goes the exact way below.
    }
    if (g_cancelRequested.load(std::memory_order_relaxed)) {
      status_ = Status::Cancelled;
      return;
    }
    if (count_ >= kCodeCount) {
      if (stopAtRestart) {
        status_ = Status::Restart;
        return;
      }
      count_ = 0;
      InitDictionary();
    }
    std::uint32_t code = input_[pos_] | static_cast<std::uint32_t>(input_[pos_ + 1]) << 8;
    if (!DecodeOne(code)) return;
    pos_ += 2;
  }
  status_ = Status::Finished;
}

bool LzwDecoder::DecodeOne(std::uint32_t code) {
  LzwScratch& scratch = *scratch_;
  if (LookUp(code)) {
    LzwScratch::Entry entry = scratch.table_[code];
    if (!scratch.Reserve(std::uint64_t{end_} + entry.length)) {
      status_ = Status::OutOfMemory;
      return false;
    }
    std::uint32_t offset = static_cast<std::uint32_t>(end_);
    std::memcpy(scratch.buffer_ + end_, scratch.buffer_ + entry.offset, entry.length);
    end_ += entry.length;
    if (started_) {
      // The previous string ends where this copy begins: with the copy's first byte it
      // is one longer at the same offset.
      if (!AddEntry(nextCode_, previousOffset_, previousLength_ + 1)) {
        ShowDictionaryBox();
        status_ = Status::DictionaryRefused;
        return false;
      }
      ++nextCode_;
    }
    previousOffset_ = offset;
    previousLength_ = entry.length;
    started_ = true;
    return true;
  }
  // Not defined (the code being defined now, or any code beyond): the previous string
  // and its own first byte, where an empty previous string has the first byte 0.
  if (!scratch.Reserve(std::uint64_t{end_} + previousLength_ + 1)) {
    status_ = Status::OutOfMemory;
    return false;
  }
  std::uint8_t* out = scratch.buffer_ + end_;
  std::uint8_t first = previousLength_ == 0 ? 0 : scratch.buffer_[previousOffset_];
  std::memcpy(out, scratch.buffer_ + previousOffset_, previousLength_);
  out[previousLength_] = first;
  previousOffset_ = static_cast<std::uint32_t>(end_);
  previousLength_ += 1;
  end_ += previousLength_;
  if (!AddEntry(nextCode_, previousOffset_, previousLength_)) {
    ShowDictionaryBox();
    status_ = Status::DictionaryRefused;
    return false;
  }
  ++nextCode_;
  return true;
}

// Every code here defines exactly one entry, (previous offset, previous length + 1): for
// a defined code that is the previous string and the first byte of the copy that
// follows it; for an undefined code it is the output itself, previous + previous[0].
// The codes are taken in batches that end at the next restart, the input's end or after
// kCodesPerCheck codes, where the buffer's room is checked again. Before a batch it is
// grown so that every code may write one chunk, so a string of up to a chunk needs no
// check of its own. The run stops early for the cancel flag (false) and, with true, when
// the next code has to go the exact way of DecodeOne: the buffer cannot grow for it.
// Aligned to a cache line, so that where the hot loop falls does not move with what is
// linked before it: a shift of 16 bytes was seen to change its speed.
[[gnu::aligned(64)]] bool LzwDecoder::DecodeRun(bool stopAtRestart) {
  LzwScratch& scratch = *scratch_;
  LzwScratch::Entry* const table = scratch.table_;
  const std::uint8_t* in = input_ + pos_;
  const std::uint8_t* const inEnd = input_ + length_;
  std::size_t end = end_;
  std::size_t count = count_;  // as wide as a pointer: it indexes the table
  std::uint32_t previousOffset = previousOffset_;
  std::uint32_t previousLength = previousLength_;
  Status stop = Status::Ready;

  while (in != inEnd) {
    // Looked at once a batch: a cancel leaves every code before the batch decoded, and is
    // heard within kCodesPerCheck codes (well under a millisecond).
    if (g_cancelRequested.load(std::memory_order_relaxed)) {
      stop = Status::Cancelled;
      break;
    }
    if (count >= kCodeCount) {
      if (stopAtRestart) {
        stop = Status::Restart;
        break;
      }
      // Full: back to the literals, which no code ever overwrites (entries are only added
      // from 256 on); the previous string stays and forms entry 256.
      count = kLiterals;
    }
    std::size_t codes = std::min<std::size_t>({static_cast<std::size_t>(inEnd - in) / 2, kCodeCount - count,
                                               kCodesPerCheck});
    if (!scratch.Reserve(std::uint64_t{end} + codes * kChunk)) {
      codes = (scratch.capacity_ - end) / kChunk;  // near the cap: as many as surely fit
      if (codes == 0) break;
    }
    std::uint8_t* const buffer = scratch.buffer_;
    // A longer string must end below this to leave every code of the batch its chunk. The
    // short strings before it may already have passed it: the test must not subtract.
    const std::size_t longFits = scratch.capacity_ - codes * kChunk;
    const std::uint8_t* const batchEnd = in + codes * 2;
    std::uint32_t unfit = 0;  // length of a longer string that did not fit
    // One code: its entry, then its string; false, with `unfit` set, when the string does
    // not fit (the entry is written again when the code is taken again).
    auto take = [&](const std::uint8_t* at) __attribute__((always_inline)) {
      std::size_t code = at[0] | static_cast<std::uint32_t>(at[1]) << 8;
      table[count] = {previousOffset, previousLength + 1};
      std::uint8_t* out = buffer + end;
      std::uint32_t length;
      if (code < count) [[likely]] {
        LzwScratch::Entry entry = table[code];
        length = entry.length;
        if (length <= kChunk) [[likely]] {
          Copy16(out, buffer + entry.offset);
        } else {
          if (std::uint64_t{end} + length > longFits) {
            unfit = length;
            return false;
          }
          CopyString(out, buffer + entry.offset, length);
        }
      } else {
        // previous + previous[0], the previous string ending right where this one begins
        length = previousLength + 1;
        if (length > kChunk && std::uint64_t{end} + length > longFits) {
          unfit = length;
          return false;
        }
        std::uint8_t first = buffer[previousOffset];
        CopyString(out, buffer + previousOffset, previousLength);
        out[previousLength] = first;
      }
      previousOffset = static_cast<std::uint32_t>(end);
      previousLength = length;
      end += length;
      ++count;
      return true;
    };
    // Two codes a pass, which halves the loop's own counting and branching per code; an
    // odd batch's first code goes alone.
    if ((codes & 1) != 0 && take(in)) in += 2;
    while (unfit == 0 && in != batchEnd) {
      if (!take(in)) break;
      in += 2;
      if (!take(in)) break;
      in += 2;
    }
    // Grow for the string that did not fit and take it again, with room for a whole batch.
    if (unfit != 0 && !scratch.Reserve(std::uint64_t{end} + unfit + kCodesPerCheck * kChunk)) break;
  }
  end_ = end;
  count_ = static_cast<std::uint32_t>(count);
  nextCode_ = count_;
  previousOffset_ = previousOffset;
  previousLength_ = previousLength;
  pos_ = static_cast<std::uint32_t>(in - input_);
  if (stop == Status::Ready) return true;
  status_ = stop;
  return false;
}
