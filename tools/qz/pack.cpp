// qz pack: an add-on folder into the five resources of the vendor's server.
#include <cstdio>

#include "commands.h"
#include "vendor/server_tree.h"

int RunPack(const Args& args) {
  std::string from = args.Require("from");
  std::string to = args.Require("to");
  if (from.empty() || to.empty()) return 2;
  ServerTreeOptions options;
  options.installerVersion = args.GetOr("installer-version", options.installerVersion);
  options.modelVersion = args.GetOr("model-version", options.modelVersion);
  // A line per tenth of the files: large packages take a while to encode.
  std::size_t shownTenth = 0;
  options.progress = [&shownTenth](std::size_t done, std::size_t total) {
    std::size_t tenth = done * 10 / total;
    if (tenth == shownTenth || done == total) return;
    shownTenth = tenth;
    std::fprintf(stderr, "  packed %zu of %zu files\n", done, total);
  };

  ServerTreeResult result = PackServerTree(from, to, options);
  if (!result.ok()) {
    std::fprintf(stderr, "qz: pack: %s\n", result.error.c_str());
    return 1;
  }
  auto decoded = static_cast<unsigned long long>(result.decodedBytes);
  auto packed = static_cast<unsigned long long>(result.packageBytes);
  std::printf("listed %zu files (%llu bytes of list)\n", result.fileCount,
              static_cast<unsigned long long>(result.listBytes));
  std::printf("decoded %llu bytes, package %llu bytes (%.1f %% of the decoded size)\n", decoded, packed,
              decoded == 0 ? 0.0 : 100.0 * static_cast<double>(packed) / static_cast<double>(decoded));
  std::printf("wrote:\n");
  for (auto path : result.written) std::printf("  %s\n", path.make_preferred().string().c_str());
  return 0;
}
