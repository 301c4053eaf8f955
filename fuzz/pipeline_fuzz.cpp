// A list and a package from a hostile server, cut and unpacked into a scratch root: no
// byte may land outside the root, and every file written must be exactly the literal
// decoder's output of its record. Input: two bytes of list length (little-endian), the
// list text, then the package.
#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <unistd.h>

#include "app/state.h"
#include "package/container.h"
#include "package/unpack.h"
#include "platform/ui_port.h"
#include "support/lzw_oracle.h"
#include "workers/split.h"

namespace fs = std::filesystem;

namespace {
class SilentUi final : public UiPort {
 public:
  int ShowMessageBox(const MessageBoxRequest&) override { return 1; }
};

[[noreturn]] void Fail(const std::string& why) {
  std::fprintf(stderr, "pipeline: %s\n", why.c_str());
  std::abort();
}

// The root sits three folders down a private base that holds the package: an escape of
// up to four levels shows up as a stray entry in a folder the install has no business in.
struct Scratch {
  fs::path base = fs::temp_directory_path() / ("qz-pipeline-" + std::to_string(::getpid()));
  fs::path root = base / "a" / "b" / "c" / "root";
  fs::path package = base / "package";
  Scratch() {
    fs::remove_all(base);
    fs::create_directories(root);
  }
  void CheckNothingOutside() const {
    for (fs::path child = root; child != base; child = child.parent_path()) {
      for (const auto& item : fs::directory_iterator(child.parent_path())) {
        if (item.path() != child && item.path() != package) Fail("wrote " + item.path().string());
      }
    }
  }
  void Empty() const {
    for (const auto& item : fs::directory_iterator(root)) fs::remove_all(item.path());
  }
};

std::vector<std::uint8_t> ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The payload of each record, in package order, as the split must have cut them.
std::vector<std::vector<std::uint8_t>> Payloads(const std::uint8_t* package, std::uint32_t size) {
  std::vector<std::vector<std::uint8_t>> payloads;
  std::uint32_t length = 0;
  for (std::uint32_t pos = kPackageMagicSize;
       pos < size && ReadRecordHeader(package + pos, size - pos, length) == RecordCheck::Ok;
       pos += kRecordHeaderSize + length) {
    payloads.emplace_back(package + pos + kRecordHeaderSize, package + pos + kRecordHeaderSize + length);
  }
  return payloads;
}

void CheckTargets(const std::vector<std::vector<std::uint8_t>>& payloads) {
  for (std::size_t k = 0; k < g_targetFiles.size(); ++k) {
    std::vector<std::uint8_t> expected = LiteralLzwDecode(payloads.at(k));
    bool exists = fs::exists(g_targetFiles[k]);
    // A record that decodes to nothing is counted as failed and writes no file.
    if (expected.empty() ? exists : ReadFile(g_targetFiles[k]) != expected) Fail("wrong " + g_targetFiles[k]);
  }
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2 || size > 0xFFFFFFFFu) return 0;
  static SilentUi ui;
  static Scratch scratch;
  SetUi(&ui);
  std::size_t listLength = std::min<std::size_t>(data[0] | data[1] << 8, size - 2);
  const char* list = reinterpret_cast<const char*>(data + 2);
  const std::uint8_t* package = data + 2 + listLength;
  auto packageSize = static_cast<std::uint32_t>(size - 2 - listLength);

  std::snprintf(g_simRoot, sizeof g_simRoot, "%s", scratch.root.c_str());
  std::snprintf(g_packagePath, sizeof g_packagePath, "%s", scratch.package.c_str());
  std::ofstream(g_packagePath, std::ios::binary).write(reinterpret_cast<const char*>(package), packageSize);
  g_cancelRequested = false;

  if (SplitWithList(list, static_cast<std::uint32_t>(listLength)) == SplitResult::Done) {
    std::atomic<bool> done{false};
    std::atomic<std::int32_t> progress{0}, failures{0};
    UnpackShare(g_tempFiles, g_targetFiles, done, progress, failures);
    CheckTargets(Payloads(package, packageSize));
  }
  scratch.CheckNothingOutside();
  scratch.Empty();
  return 0;
}
