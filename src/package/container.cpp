#include "package/container.h"

#include <algorithm>

#include "package/package_file.h"

RecordCheck ReadRecordHeader(const std::uint8_t* record, std::uint32_t left, std::uint32_t& payloadLength) {
  payloadLength = 0;
  if (left == 0) return RecordCheck::HeaderPastEnd;
  if (record[0] != '[') return RecordCheck::NoOpenBracket;
  if (left < kRecordHeaderSize) return RecordCheck::HeaderPastEnd;
  payloadLength = std::uint32_t{record[1]} | std::uint32_t{record[2]} << 8 | std::uint32_t{record[3]} << 16 |
                  std::uint32_t{record[4]} << 24;
  if (record[5] != ']') return RecordCheck::NoCloseBracket;
  if (payloadLength == 0 || payloadLength > left - kRecordHeaderSize) return RecordCheck::PayloadPastEnd;
  return RecordCheck::Ok;
}

void CutProgress::Start() {
  std::lock_guard<std::mutex> hold(lock_);
  cut_ = 0;
  ended_ = false;
}

void CutProgress::Publish(std::size_t cut) {
  {
    std::lock_guard<std::mutex> hold(lock_);
    cut_ = cut;
  }
  changed_.notify_all();
}

void CutProgress::End() {
  {
    std::lock_guard<std::mutex> hold(lock_);
    ended_ = true;
  }
  changed_.notify_all();
}

bool CutProgress::AwaitRecord(std::size_t k) const {
  std::unique_lock<std::mutex> hold(lock_);
  changed_.wait(hold, [&] { return cut_ > k || ended_; });
  return cut_ > k;
}

namespace {
// Walks the records from the magic on and hands each good one's payload (record k, its
// offset, its length) to `visit`, which may stop the walk with an outcome of its own.
CutResult WalkRecords(const PackageFile& package, std::size_t recordCount,
                      const std::function<CutOutcome(std::size_t, std::uint32_t, std::uint32_t)>& visit) {
  auto size = static_cast<std::uint32_t>(package.Size());
  std::size_t k = 0;
  for (std::uint32_t pos = kPackageMagicSize; pos < size; ++k) {
    if (g_cancelRequested) return {CutOutcome::Cancelled};
    std::uint8_t header[kRecordHeaderSize];
    std::uint32_t length = 0;
    std::uint32_t left = size - pos;
    if (!package.ReadAt(pos, header, std::min(left, kRecordHeaderSize))) return {CutOutcome::NoPackage};
    if (RecordCheck check = ReadRecordHeader(header, left, length); check != RecordCheck::Ok) {
      return {CutOutcome::BadRecord, check};
    }
    if (k >= recordCount) return {CutOutcome::TooManyRecords};
    pos += kRecordHeaderSize;
    if (CutOutcome outcome = visit(k, pos, length); outcome != CutOutcome::Done) return {outcome};
    pos += length;
  }
  return {k == recordCount ? CutOutcome::Done : CutOutcome::TooFewRecords};
}

CutResult CheckAndCut(const char* packagePath, const StringList& temporaries, CutProgress& progress,
                      const CutFollowing& following) {
  PackageFile package;
  if (!package.Open(packagePath) || package.Size() <= kPackageMagicSize) return {CutOutcome::NoPackage};
  if (package.Size() > kLargestPackage) return {CutOutcome::TooLarge};
  CutResult check = WalkRecords(package, temporaries.size(), [](std::size_t, std::uint32_t, std::uint32_t) {
    return CutOutcome::Done;
  });
  if (check.outcome != CutOutcome::Done) return check;
  if (following.start) following.start(progress);
  return WalkRecords(package, temporaries.size(), [&](std::size_t k, std::uint32_t pos, std::uint32_t length) {
    if (!package.CopyTo(pos, length, temporaries[k].c_str())) return CutOutcome::NoPackage;
    progress.Publish(k + 1);
    if (following.recordCut) following.recordCut();
    return CutOutcome::Done;
  });
}
}  // namespace

CutResult CutPackage(const char* packagePath, const StringList& temporaries, CutProgress& progress,
                     const CutFollowing& following) {
  progress.Start();
  CutResult result = CheckAndCut(packagePath, temporaries, progress, following);
  progress.End();
  return result;
}
