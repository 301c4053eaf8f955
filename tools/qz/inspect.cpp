// qz inspect: a package against its file list, record by record, without writing.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

#include "app/state.h"
#include "commands.h"
#include "package/container.h"
#include "package/lzw_decoder.h"
#include "package/whole_file.h"
#include "workers/file_list.h"

namespace {
const char* Describe(RecordCheck check) {
  switch (check) {
    case RecordCheck::Ok: return "ok";
    case RecordCheck::NoOpenBracket: return "no '[' at the record's start";
    case RecordCheck::NoCloseBracket: return "no ']' after the length";
    case RecordCheck::HeaderPastEnd: return "header runs past the end";
    case RecordCheck::PayloadPastEnd: return "payload empty or running past the end";
  }
  return "?";
}

bool ReadList(const std::string& path, StringList& list) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    std::printf("list: cannot read %s\n", path.c_str());
    return false;
  }
  std::vector<char> text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (text.size() > kListCapacity) {
    std::printf("list: %zu bytes; the installer reads only the first %zu\n", text.size(), kListCapacity);
    text.resize(kListCapacity);
  }
  text.resize(std::max<std::size_t>(text.size(), 5), '\0');
  if (!HasListLead(text.data())) {
    std::printf("list: does not begin with \"Effec\"\n");
    return false;
  }
  ParseFileList(list, text.data(), static_cast<std::uint32_t>(text.size()));
  return true;
}

// Decodes one record and prints its line; false when the record is not sound.
bool InspectRecord(std::size_t k, const StringList& list, const std::uint8_t* payload, std::uint32_t length,
                   std::uint64_t& decodedTotal) {
  LzwDecoder decoder;
  decoder.InitDictionary();
  decoder.SetInput(payload, length);
  decoder.Decode();
  std::size_t decoded = decoder.TakeOutput().size();
  decodedTotal += decoded;
  bool sound = decoder.GetStatus() == LzwDecoder::Status::Finished && decoded > 0 && length % 2 == 0;
  std::printf("%6zu %10u %12zu %s%s\n", k, length, decoded, k < list.size() ? list[k].c_str() : "(no list entry)",
              sound ? "" : "   <- damaged stream");
  return sound && k < list.size();
}
}  // namespace

int RunInspect(const Args& args) {
  std::string packagePath = args.Require("package");
  std::string listPath = args.Require("list");
  if (packagePath.empty() || listPath.empty()) return 2;
  StringList list;
  if (!ReadList(listPath, list)) return 1;
  int errors = 0;
  if (ListVerdict verdict = CheckFileList(list, kDefaultSimRoot); verdict.problem != EntryProblem::None) {
    std::printf("list: entry refused under the default root: %s\n", verdict.entry.c_str());
    ++errors;
  }
  ReadBuffer package;
  std::span<const std::uint8_t> bytes = ReadWholeFile(packagePath.c_str(), package);
  const std::uint8_t* view = bytes.data();
  auto size = static_cast<std::uint32_t>(bytes.size());
  if (size <= kPackageMagicSize) {
    std::printf("package: cannot be read or holds no record\n");
    return 1;
  }
  if (std::memcmp(view, kPackageMagic, kPackageMagicSize) != 0) {
    std::printf("package: the magic is wrong\n");
    ++errors;
  }
  std::printf("%6s %10s %12s %s\n", "record", "packed", "decoded", "path");
  std::uint64_t decodedTotal = 0;
  std::size_t k = 0;
  for (std::uint32_t pos = kPackageMagicSize; pos < size; ++k) {
    std::uint32_t length = 0;
    if (RecordCheck check = ReadRecordHeader(view + pos, size - pos, length); check != RecordCheck::Ok) {
      std::printf("record %zu at offset %u: %s\n", k, pos, Describe(check));
      ++errors;
      break;
    }
    errors += InspectRecord(k, list, view + pos + kRecordHeaderSize, length, decodedTotal) ? 0 : 1;
    pos += kRecordHeaderSize + length;
  }
  if (k != list.size()) {
    std::printf("package: %zu records for %zu list entries\n", k, list.size());
    ++errors;
  }
  std::printf("%zu records, %u bytes packed, %llu bytes decoded, %d errors\n", k, size,
              static_cast<unsigned long long>(decodedTotal), errors);
  return errors == 0 ? 0 : 1;
}
