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

CutResult CutPackage(const char* packagePath, const StringList& temporaries) {
  PackageFile package;
  if (!package.Open(packagePath) || package.Size() <= kPackageMagicSize) return {CutOutcome::NoPackage};
  if (package.Size() > kLargestPackage) return {CutOutcome::TooLarge};
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
    if (k >= temporaries.size()) return {CutOutcome::TooManyRecords};
    pos += kRecordHeaderSize;
    if (!package.CopyTo(pos, length, temporaries[k].c_str())) return {CutOutcome::NoPackage};
    pos += length;
  }
  return {k == temporaries.size() ? CutOutcome::Done : CutOutcome::TooFewRecords};
}
