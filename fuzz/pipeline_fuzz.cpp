// A list and a package from a hostile server, cut and unpacked into a scratch root: no
// byte may land outside the root, and every file written must be exactly the literal
// decoder's output of its record. Input: two bytes of list length (little-endian), the
// list text, then the package.
#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
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
  Scratch() { fs::remove_all(base); }  // a crashed run's leftovers
  void CheckNothingOutside() const {
    for (fs::path child = root; child != base; child = child.parent_path()) {
      for (const auto& item : fs::directory_iterator(child.parent_path())) {
        if (item.path() != child && item.path() != package) Fail("wrote " + item.path().string());
      }
    }
  }
};

// Each target, in list order, holds the literal decoder's output of its record in the
// package; a record that decodes to nothing is counted as failed and writes no file.
void CheckTargets(const std::uint8_t* package, std::uint32_t size) {
  std::uint32_t pos = kPackageMagicSize, length = 0;
  for (const std::string& target : g_targetFiles) {
    bool recorded = pos < size && ReadRecordHeader(package + pos, size - pos, length) == RecordCheck::Ok;
    if (!recorded) Fail("no record for " + target);
    std::vector<std::uint8_t> expected = LiteralLzwDecode({package + pos + kRecordHeaderSize, length});
    pos += kRecordHeaderSize + length;
    std::ifstream file(target, std::ios::binary);
    std::vector<std::uint8_t> written{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    if (file.is_open() == expected.empty() || written != expected) Fail("wrong " + target);
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

  fs::create_directories(scratch.root);
  std::snprintf(g_simRoot, sizeof g_simRoot, "%s", scratch.root.c_str());
  std::snprintf(g_packagePath, sizeof g_packagePath, "%s", scratch.package.c_str());
  std::ofstream(g_packagePath, std::ios::binary).write(reinterpret_cast<const char*>(package), packageSize);
  g_cancelRequested = false;

  if (SplitWithList(list, static_cast<std::uint32_t>(listLength)) == SplitResult::Done) {
    std::atomic<bool> done{false};
    std::atomic<std::int32_t> progress{0}, failures{0};
    UnpackShare(g_tempFiles, g_targetFiles, done, progress, failures);
    CheckTargets(package, packageSize);
  }
  scratch.CheckNothingOutside();
  fs::remove_all(scratch.root);
  return 0;
}
