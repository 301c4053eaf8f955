// Any text is a list: whatever CheckFileList accepts must name paths that stay inside
// the root and fit their buffers.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "workers/file_list.h"

namespace {
void Require(bool condition, const char* what, const std::string& entry) {
  if (condition) return;
  std::fprintf(stderr, "file list: accepted an entry that %s: '%s'\n", what, entry.c_str());
  std::abort();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > kListCapacity) return 0;
  StringList list;
  ParseFileList(list, reinterpret_cast<const char*>(data), static_cast<std::uint32_t>(size));
  const char* root = "C:/Program Files/Lockheed Martin/Prepar3D v4";
  if (CheckFileList(list, root).problem != EntryProblem::None) return 0;
  for (const std::string& entry : list) {
    Require(entry.find('/') != std::string::npos, "has no folder", entry);
    Require(entry.front() != '/' && entry.back() != '/', "starts or ends with '/'", entry);
    Require(entry.find("//") == std::string::npos, "has an empty component", entry);
    Require(("/" + entry + "/").find("/../") == std::string::npos, "climbs out", entry);
    Require(entry.find_first_of(":\\\r\n") == std::string::npos, "names a drive, stream or control", entry);
    char path[kPathCapacity];
    for (const char* suffix : {kTempSuffix, kNewSuffix}) {
      Require(FormatRootPath(path, root, entry + suffix), "does not fit", entry);
    }
  }
  return 0;
}
