// The package container: a 10-byte magic, then one record per file-list entry in list
// order: '[', the payload length as 32-bit little-endian, ']', the payload (one LZW
// stream). No count, no index, no checksum: every rule about untrusted package bytes
// is in ReadRecordHeader.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>

#include "app/state.h"

constexpr std::uint8_t kPackageMagic[10] = {'Q', 'Z', 'a', 'r', '!', '2', '0', '2', '4', 0xA9};
constexpr std::uint32_t kPackageMagicSize = sizeof kPackageMagic;
constexpr std::uint32_t kRecordHeaderSize = 6;
// Record offsets are 32-bit: a package of 4 GiB or more cannot be cut.
constexpr std::uint64_t kLargestPackage = 0xFFFFFFFFu;

enum class RecordCheck {
  Ok,
  NoOpenBracket,    // the byte at the record's start is not '['
  NoCloseBracket,   // the length is not followed by ']'
  HeaderPastEnd,    // fewer than 6 bytes left for the header
  PayloadPastEnd,   // the payload would run past the end of the package
};

// Checks the record that starts at `record`, `left` bytes before the package's end, and
// reads its payload length. Never reads more than min(left, 6) bytes.
RecordCheck ReadRecordHeader(const std::uint8_t* record, std::uint32_t left, std::uint32_t& payloadLength);

enum class CutOutcome {
  Done,
  NoPackage,      // the package cannot be opened, or holds nothing after the magic
  TooLarge,       // 4 GiB or more
  BadRecord,      // a record is malformed or runs past the end (CutResult::check says how)
  TooManyRecords,
  TooFewRecords,
  Cancelled,      // g_cancelRequested was seen before a record
};
struct CutResult {
  CutOutcome outcome = CutOutcome::Done;
  RecordCheck check = RecordCheck::Ok;
};

// How far a cut has come, for the decoders that follow it: temporary k is complete and
// closed once k records are published past it. Ended when no more will be cut.
class CutProgress {
 public:
  void Start();
  void Publish(std::size_t cut);
  void End();
  // Waits until temporary k is complete (true) or the cut ended before it (false).
  bool AwaitRecord(std::size_t k) const;

 private:
  mutable std::mutex lock_;
  mutable std::condition_variable changed_;
  std::size_t cut_ = 0;
  bool ended_ = false;
};

// What follows a cut: `start` runs once the package has passed its check and before the
// first record is cut (the decoders start there), `recordCut` after each temporary.
struct CutFollowing {
  std::function<void(const CutProgress&)> start;
  std::function<void()> recordCut;
};

// Cuts the package at packagePath into one file per record: record k becomes
// temporaries[k]. Every record header is checked before the first temporary is written,
// so that a damaged package or one that does not match the list is refused whole. The
// cut publishes each finished temporary to `progress`, which ends on every way out. A
// cancel stops before the next record; what was cut stays for the clean-up. An output
// that cannot be written takes the fatal path.
CutResult CutPackage(const char* packagePath, const StringList& temporaries, CutProgress& progress,
                     const CutFollowing& following);
