// qz sample: the deterministic sample add-on, the vendor's stand-in content.
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <limits>

#include "commands.h"
#include "vendor/sample_addon.h"

namespace {
template <typename T>
bool ParseNumber(const Args& args, const char* name, T fallback, T& value) {
  std::string text = args.GetOr(name, std::to_string(fallback));
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) {
    std::fprintf(stderr, "qz: --%s needs a whole number, not '%s'\n", name, text.c_str());
    return false;
  }
  return true;
}
}  // namespace

int RunSample(const Args& args) {
  std::string dir = args.Require("to");
  std::uint64_t mb = 0;
  std::uint32_t seed = 0;
  if (dir.empty() || !ParseNumber<std::uint64_t>(args, "mb", 16, mb) ||
      !ParseNumber<std::uint32_t>(args, "seed", 730, seed)) {
    return 2;
  }
  if (mb > (std::numeric_limits<std::uint64_t>::max() >> 20)) {
    std::fprintf(stderr, "qz: --mb %llu is too large\n", static_cast<unsigned long long>(mb));
    return 2;
  }
  SampleAddon addon = GenerateSampleAddon(dir, mb << 20, seed);
  if (!addon.ok()) {
    std::fprintf(stderr, "qz: sample: %s\n", addon.error.c_str());
    return 1;
  }
  std::printf("sample add-on (seed %u) in %s\n", static_cast<unsigned>(seed), dir.c_str());
  std::printf("  %zu listed files, %llu bytes\n", addon.listed.size(),
              static_cast<unsigned long long>(addon.listedBytes));
  std::printf("  %zu user files left out of the list, named in %s\n", addon.unlisted.size(), kUnlistedIndexName);
  std::printf("  %llu bytes written in all\n", static_cast<unsigned long long>(addon.totalBytes));
  return 0;
}
