// The vendor's side: the sample add-on and the server tree that qz pack writes, read back
// the way the installer reads them.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>

#include "online/server.h"
#include "support/temp_dir.h"
#include "vendor/sample_addon.h"
#include "vendor/server_tree.h"

namespace fs = std::filesystem;

namespace {
// Every file under dir by relative '/' path.
std::map<std::string, std::vector<std::uint8_t>> ReadTree(const std::string& dir) {
  std::map<std::string, std::vector<std::uint8_t>> tree;
  for (const std::string& path : FilesBelow(dir)) tree[path] = ReadFile(dir + "/" + path);
  return tree;
}

std::uint64_t TreeHash(const std::string& dir) {
  std::uint64_t hash = 0xCBF29CE484222325ull;  // FNV-1a over names, sizes and bytes
  auto mix = [&hash](std::uint8_t byte) { hash = (hash ^ byte) * 0x100000001B3ull; };
  for (const auto& [path, bytes] : ReadTree(dir)) {
    for (char c : path) mix(static_cast<std::uint8_t>(c));
    for (std::size_t size = bytes.size(), i = 0; i < 8; ++i) mix(static_cast<std::uint8_t>(size >> (8 * i)));
    for (std::uint8_t byte : bytes) mix(byte);
  }
  return hash;
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

TEST(VendorSample, IsPinnedPerSeedAndPacksInItsListedOrder) {
  TempDir dir;
  SampleAddon pinned = GenerateSampleAddon(dir / "pinned", 256 << 10, 730);
  SampleAddon other = GenerateSampleAddon(dir / "other", 256 << 10, 731);
  ASSERT_TRUE(pinned.ok() && other.ok()) << pinned.error << other.error;
  // Pinned so that the Windows build, run under Wine, proves the same bytes on every
  // platform. A deliberate change of the generator changes this value.
  EXPECT_EQ(TreeHash(dir / "pinned"), 0x27A865DD9FBEF1D7ull);
  EXPECT_NE(TreeHash(dir / "other"), TreeHash(dir / "pinned"));
  EXPECT_FALSE(GenerateSampleAddon(dir / "pinned", 256 << 10, 730).ok()) << "a folder in use would mix two add-ons";

  ServerTreeResult packed = PackServerTree(dir / "pinned", dir / "server");
  ASSERT_TRUE(packed.ok()) << packed.error;
  EXPECT_EQ(Served(dir / "server", Resource::FileList), ListOf(pinned.listed));
  EXPECT_EQ(Served(dir / "server", Resource::FilesSize), std::to_string(pinned.listedBytes));
}

TEST(VendorSample, TreeHasTheMixTheLayoutAndTheUserFiles) {
  TempDir dir;
  SampleAddon sample = GenerateSampleAddon(dir / "addon", 8 << 20, 730);
  ASSERT_TRUE(sample.ok()) << sample.error;
  auto tree = ReadTree(dir / "addon");
  EXPECT_EQ(TreeHash(dir / "addon"), 0x40DD9B189C75A27Aull);  // its large files pinned too

  // Textures, text, model data and noise-like data by bytes; sizes from a few bytes to MBs.
  const std::map<std::string, int> kKinds = {{".bmp", 0}, {".mdl", 2}, {".bin", 2}, {".wav", 3}, {".dds", 3}};
  std::uint64_t kindBytes[4] = {}, total = 0, smallest = UINT64_MAX, largest = 0;
  for (const auto& [path, bytes] : tree) {
    auto kind = kKinds.find(fs::path(path).extension().string());
    kindBytes[kind == kKinds.end() ? 1 : kind->second] += bytes.size();
    total += bytes.size();
    smallest = std::min<std::uint64_t>(smallest, bytes.size());
    largest = std::max<std::uint64_t>(largest, bytes.size());
  }
  EXPECT_EQ(total, sample.totalBytes);
  const double expectedShare[4] = {0.40, 0.25, 0.20, 0.15};
  for (int kind = 0; kind < 4; ++kind) {
    EXPECT_NEAR(static_cast<double>(kindBytes[kind]) / static_cast<double>(total), expectedShare[kind], 0.03) << kind;
  }
  EXPECT_LE(smallest, 16u);
  EXPECT_GE(largest, 1u << 20);

  for (const char* required : kSampleRequiredFiles) {
    EXPECT_EQ(std::count(sample.listed.begin(), sample.listed.end(), required), 1) << required;
  }
  const std::vector<std::string> userFiles = {"SimObjects/Airplanes/Xarnov_730K5_QZ_x64/panel/Xq730_user.ini",
                                              "gauges/Xq_730K5_QZ/user_settings.cfg"};
  EXPECT_EQ(sample.unlisted, userFiles);
  std::string index(tree[kUnlistedIndexName].begin(), tree[kUnlistedIndexName].end());
  EXPECT_EQ(index, userFiles[0] + "\n" + userFiles[1] + "\n");
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
