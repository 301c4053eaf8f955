// The vendor's side: the sample add-on and the server tree that qz pack writes, read back
// the way the installer reads them.
#include <gtest/gtest.h>

#include <utility>

#include "online/server.h"
#include "support/temp_dir.h"
#include "vendor/sample_addon.h"
#include "vendor/server_tree.h"

namespace {
// A tree's FNV-1a hash over the names, sizes and bytes of its files in name order, and
// its bytes in all.
using Tree = std::pair<std::uint64_t, std::uint64_t>;
Tree HashTree(const std::string& dir) {
  std::uint64_t hash = 0xCBF29CE484222325ull, total = 0;
  auto mix = [&hash](std::uint8_t byte) { hash = (hash ^ byte) * 0x100000001B3ull; };
  for (const std::string& path : FilesBelow(dir)) {
    std::vector<std::uint8_t> bytes = ReadFile(dir + "/" + path);
    for (char c : path) mix(static_cast<std::uint8_t>(c));
    for (std::size_t size = bytes.size(), i = 0; i < 8; ++i) mix(static_cast<std::uint8_t>(size >> (8 * i)));
    for (std::uint8_t byte : bytes) mix(byte);
    total += bytes.size();
  }
  return {hash, total};
}

std::string Served(const std::string& tree, Resource resource) {
  std::vector<std::uint8_t> bytes = ReadFile(tree + ResourcePath(resource));
  return {bytes.begin(), bytes.end()};
}

// The file list's text: every entry followed by CR LF.
std::string ListOf(const std::vector<std::string>& entries) {
  std::string list;
  for (const std::string& entry : entries) list += entry + "\r\n";
  return list;
}
}  // namespace

TEST(VendorSample, IsPinnedPerSeedNamesItsFilesAndPacksInItsListedOrder) {
  TempDir dir;
  SampleAddon sample = GenerateSampleAddon(dir / "addon", 8 << 20, 730);
  SampleAddon small = GenerateSampleAddon(dir / "small", 256 << 10, 730);
  ASSERT_TRUE(sample.ok() && small.ok()) << sample.error << small.error;
  ASSERT_TRUE(GenerateSampleAddon(dir / "other", 256 << 10, 731).ok());
  // Pinned so that the Windows build, run under Wine, proves the same bytes on every
  // platform (and with them the mix of kinds, the required files and the user files). A
  // deliberate change of the generator changes these values. The sizes are the reports'.
  EXPECT_EQ(HashTree(dir / "addon"), (Tree{0x40DD9B189C75A27Aull, sample.totalBytes}));
  EXPECT_EQ(HashTree(dir / "small"), (Tree{0x27A865DD9FBEF1D7ull, small.totalBytes}));
  EXPECT_NE(HashTree(dir / "other").first, HashTree(dir / "small").first);
  EXPECT_FALSE(GenerateSampleAddon(dir / "small", 256 << 10, 730).ok()) << "a folder in use would mix two add-ons";
  EXPECT_EQ(sample.unlisted, (std::vector<std::string>{"SimObjects/Airplanes/Xarnov_730K5_QZ_x64/panel/Xq730_user.ini",
                                                       "gauges/Xq_730K5_QZ/user_settings.cfg"}));

  ServerTreeResult packed = PackServerTree(dir / "addon", dir / "server");
  ASSERT_TRUE(packed.ok()) << packed.error;
  EXPECT_EQ(Served(dir / "server", Resource::FileList), ListOf(sample.listed));
  EXPECT_EQ(Served(dir / "server", Resource::FilesSize), std::to_string(sample.listedBytes));
}

TEST(VendorServerTree, WritesTheFiveResourcesWithEffecEntriesFirstAndNoUserFiles) {
  TempDir dir;
  const std::string addon = dir / "addon", server = dir / "server";
  for (const char* path : {"Docs/a.txt", "Effects/b.fx", "Zz/c.bin", "Zz/user.ini", "Effectz/d.bmp", "A/u.cfg"}) {
    WriteFile(addon + "/" + path, std::string(path));
  }
  WriteFile(addon + "/" + kUnlistedIndexName, "Zz\\user.ini\r\n\r\nA/u.cfg");  // as edited on Windows
  ServerTreeOptions options;
  options.installerVersion = "9.0.1.3";
  options.modelVersion = "!3~0";  // any four printable characters
  ServerTreeResult result = PackServerTree(addon, server, options);
  ASSERT_TRUE(result.ok()) << result.error;
  EXPECT_EQ(result.written.size(), 5u);
  EXPECT_EQ(Served(server, Resource::LauncherVersion), "9013");
  EXPECT_EQ(Served(server, Resource::ModelVersion), "!3~0");
  EXPECT_EQ(Served(server, Resource::FileList), ListOf({"Effects/b.fx", "Effectz/d.bmp", "Docs/a.txt", "Zz/c.bin"}));
  EXPECT_EQ(Served(server, Resource::FilesSize), "43");  // each listed file holds its own path
  // The package is read back record by record by the split tests and by qz inspect.
  EXPECT_EQ(ReadFile(server + ResourcePath(Resource::Package)).size(), result.packageBytes);
}

TEST(VendorServerTree, RefusesWhatTheInstallerWouldRejectAndWritesNothing) {
  TempDir dir;
  WriteFile(dir / "no-effec/gauges/g.xml", "<Gauge/>");
  WriteFile(dir / "good/Effects/a.fx", "a");
  WriteFile(dir / "with-empty/Effects/a.fx", "a");
  WriteFile(dir / "with-empty/Effects/empty.fx", std::string());
  // 320 entries of 148 characters and CR LF fill the installer's 48000 bytes exactly.
  const std::string folder = dir / "full/Effects/" + std::string(120, 'x') + "/";
  for (int i = 0; i < 320; ++i) {
    std::string digits = std::to_string(i);
    WriteFile(folder + std::string(19 - digits.size(), 'f') + digits, "x");
  }
  ServerTreeResult full = PackServerTree(dir / "full", dir / "full-server");
  ASSERT_TRUE(full.ok()) << full.error;
  EXPECT_EQ(full.listBytes, 48000u);
  WriteFile(dir / "full/Effects/y", "y");

  const std::tuple<const char*, const char*, const char*> cases[] = {  // add-on, installer and model version
      {"no-effec", "1.1.0.0", "1200"}, {"full", "1.1.0.0", "1200"},  {"with-empty", "1.1.0.0", "1200"},
      {"good", "1.10.0.0", "1200"},    {"good", "1.1.0", "1200"},    {"good", "a.1.0.0", "1200"},
      {"good", "1,1.0.0", "1200"},     {"good", "1.1.0.0", "120"},   {"good", "1.1.0.0", "12000"},
      {"good", "1.1.0.0", "12 0"},     {"good", "1.1.0.0", "120\x7F"}};
  ASSERT_TRUE(PackServerTree(dir / "good", dir / "good-server").ok());
  for (const auto& [from, installer, model] : cases) {
    ServerTreeOptions options;
    options.installerVersion = installer;
    options.modelVersion = model;
    EXPECT_FALSE(PackServerTree(dir / from, dir / "server", options).ok()) << from << " " << installer << " " << model;
    EXPECT_FALSE(Exists(dir / "server" + ResourcePath(Resource::FileList)));
    EXPECT_FALSE(Exists(dir / "server" + ResourcePath(Resource::Package)));
  }
}
