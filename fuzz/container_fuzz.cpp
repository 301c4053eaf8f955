// Any bytes are a package: walking its records must never read past its end, and a
// record reported sound must lie wholly inside it.
#include <cstdint>
#include <cstdlib>

#include "package/container.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 0xFFFFFFFFu) return 0;
  auto total = static_cast<std::uint32_t>(size);
  std::uint32_t pos = kPackageMagicSize;
  while (pos < total) {
    std::uint32_t length = 0;
    if (ReadRecordHeader(data + pos, total - pos, length) != RecordCheck::Ok) break;
    if (length == 0 || length > total - pos - kRecordHeaderSize) std::abort();
    pos += kRecordHeaderSize + length;
  }
  return 0;
}
