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
  for (const auto& entry : fs::recursive_directory_iterator(dir)) {
    if (entry.is_regular_file()) {
      tree[entry.path().lexically_relative(dir).generic_string()] = ReadFile(entry.path().generic_string());
    }
  }
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

std::string Text(const std::vector<std::uint8_t>& bytes) { return {bytes.begin(), bytes.end()}; }

std::string ResourceAt(const std::string& tree, Resource resource) { return tree + ResourcePath(resource); }

// The list split at each CR LF; a CR or LF anywhere else fails the test.
std::vector<std::string> ListEntries(const std::string& text) {
  std::vector<std::string> entries;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
    entries.push_back(text.substr(start, end - start));
    EXPECT_EQ(entries.back().find_first_of("\r\n"), std::string::npos) << entries.back();
  }
  EXPECT_EQ(start, text.size()) << "text after the last CR LF";
  return entries;
}

int KindOf(const std::string& path) {  // 0 texture, 1 text, 2 model, 3 noise-like
  static const std::map<std::string, int> kKinds = {{".bmp", 0}, {".mdl", 2}, {".bin", 2}, {".wav", 3}, {".dds", 3}};
  auto kind = kKinds.find(fs::path(path).extension().string());
  return kind == kKinds.end() ? 1 : kind->second;
}
}  // namespace

TEST(VendorSample, SameArgumentsGiveTheSameBytes) {
  TempDir dir;
  SampleAddon first = GenerateSampleAddon(dir / "a", 512 << 10, 1);
  SampleAddon again = GenerateSampleAddon(dir / "b", 512 << 10, 1);
  SampleAddon other = GenerateSampleAddon(dir / "c", 512 << 10, 2);
  ASSERT_TRUE(first.ok() && again.ok() && other.ok()) << first.error << again.error << other.error;
  EXPECT_EQ(first.listed, again.listed);
  EXPECT_EQ(TreeHash(dir / "a"), TreeHash(dir / "b"));
  EXPECT_NE(TreeHash(dir / "a"), TreeHash(dir / "c"));

  // Pinned so that the Windows build, run under Wine, proves the same bytes on every
  // platform. A deliberate change of the generator changes this value.
  SampleAddon pinned = GenerateSampleAddon(dir / "pinned", 256 << 10, 730);
  ASSERT_TRUE(pinned.ok()) << pinned.error;
  EXPECT_EQ(TreeHash(dir / "pinned"), 0x27A865DD9FBEF1D7ull);

  SampleAddon refused = GenerateSampleAddon(dir / "a", 512 << 10, 1);
  EXPECT_FALSE(refused.ok()) << "a folder with files in it would mix two add-ons";
}

TEST(VendorSample, TreeHasTheMixTheLayoutAndTheUserFiles) {
  TempDir dir;
  const std::string addon = dir / "addon";
  SampleAddon sample = GenerateSampleAddon(addon, 8 << 20, 730);
  ASSERT_TRUE(sample.ok()) << sample.error;
  auto tree = ReadTree(addon);

  std::uint64_t kindBytes[4] = {}, total = 0, smallest = UINT64_MAX, largest = 0;
  for (const auto& [path, bytes] : tree) {
    kindBytes[KindOf(path)] += bytes.size();
    total += bytes.size();
    smallest = std::min<std::uint64_t>(smallest, bytes.size());
    largest = std::max<std::uint64_t>(largest, bytes.size());
  }
  EXPECT_EQ(total, sample.totalBytes);
  const double expectedShare[4] = {0.40, 0.25, 0.20, 0.15};
  for (int kind = 0; kind < 4; ++kind) {
    EXPECT_NEAR(static_cast<double>(kindBytes[kind]) / static_cast<double>(total), expectedShare[kind], 0.03)
        << "kind " << kind;
  }
  EXPECT_LE(smallest, 16u);
  EXPECT_GE(largest, 1u << 20);

  for (const char* required : kSampleRequiredFiles) {
    EXPECT_EQ(std::count(sample.listed.begin(), sample.listed.end(), required), 1) << required;
  }
  const std::vector<std::string> userFiles = {"SimObjects/Airplanes/Xarnov_730K5_QZ_x64/panel/Xq730_user.ini",
                                              "gauges/Xq_730K5_QZ/user_settings.cfg"};
  EXPECT_EQ(sample.unlisted, userFiles);
  ASSERT_TRUE(tree.count(kUnlistedIndexName));
  EXPECT_EQ(Text(tree[kUnlistedIndexName]), userFiles[0] + "\n" + userFiles[1] + "\n");

  // Listed is everything on disk but the user files and their index, each in a folder.
  EXPECT_EQ(sample.listed.size() + userFiles.size() + 1, tree.size());
  ASSERT_FALSE(sample.listed.empty());
  EXPECT_EQ(sample.listed.front().substr(0, 5), "Effec");
}

TEST(VendorServerTree, WritesTheFiveResourcesTheInstallerReads) {
  TempDir dir;
  const std::string addon = dir / "addon", server = dir / "server";
  SampleAddon sample = GenerateSampleAddon(addon, 2 << 20, 5);
  ASSERT_TRUE(sample.ok()) << sample.error;
  ServerTreeOptions options;
  options.installerVersion = "2.0.1.3";
  options.modelVersion = "1310";
  ServerTreeResult result = PackServerTree(addon, server, options);
  ASSERT_TRUE(result.ok()) << result.error;
  EXPECT_EQ(result.written.size(), 5u);

  EXPECT_EQ(Text(ReadFile(ResourceAt(server, Resource::LauncherVersion))), "2013");
  EXPECT_EQ(Text(ReadFile(ResourceAt(server, Resource::ModelVersion))), "1310");
  EXPECT_EQ(Text(ReadFile(ResourceAt(server, Resource::FilesSize))), std::to_string(sample.listedBytes));
  EXPECT_EQ(result.decodedBytes, sample.listedBytes);

  std::string list = Text(ReadFile(ResourceAt(server, Resource::FileList)));
  EXPECT_EQ(list.size(), result.listBytes);
  EXPECT_EQ(ListEntries(list), sample.listed);  // neither the user files nor their index
  // The package is read back record by record by the split tests and by qz inspect.
  EXPECT_EQ(ReadFile(ResourceAt(server, Resource::Package)).size(), result.packageBytes);
}

TEST(VendorServerTree, EffecEntriesLeadAndUserFilesStayOut) {
  TempDir dir;
  const std::string addon = dir / "addon";
  for (const char* path : {"Docs/a.txt", "Effects/b.fx", "Zz/c.bin", "Zz/user.ini", "Effectz/d.bmp", "A/u.cfg"}) {
    WriteFile(addon + "/" + path, std::string(path));
  }
  WriteFile(addon + "/" + kUnlistedIndexName, "Zz\\user.ini\r\n\r\nA/u.cfg");  // as edited on Windows
  ServerTreeResult result = PackServerTree(addon, dir / "server");
  ASSERT_TRUE(result.ok()) << result.error;
  EXPECT_EQ(ListEntries(Text(ReadFile(ResourceAt(dir / "server", Resource::FileList)))),
            (std::vector<std::string>{"Effects/b.fx", "Effectz/d.bmp", "Docs/a.txt", "Zz/c.bin"}));
}

TEST(VendorServerTree, RefusesWhatTheInstallerWouldReject) {
  TempDir dir;
  const std::string addon = dir / "addon", server = dir / "server";
  auto refuses = [&](const ServerTreeOptions& options, const std::string& why, const std::string& from) {
    ServerTreeResult result = PackServerTree(from, server, options);
    EXPECT_FALSE(result.ok()) << why;
    EXPECT_FALSE(result.error.empty()) << why;
    EXPECT_FALSE(Exists(ResourceAt(server, Resource::FileList))) << why;
    EXPECT_FALSE(Exists(ResourceAt(server, Resource::Package))) << why;
  };

  WriteFile(addon + "/gauges/g.xml", "<Gauge/>");
  refuses({}, "no path starts with Effec", addon);

  // 320 entries of 148 characters and CR LF fill the installer's 48000 bytes exactly.
  const std::string folder = std::string("Effects/").append(120, 'x').append("/");
  for (int i = 0; i < 319; ++i) {
    std::string digits = std::to_string(i);
    std::string name(148 - folder.size() - digits.size(), '0');
    name[0] = 'f';
    name += digits;
    WriteFile(addon + "/" + folder + name, "x");
  }
  fs::remove(addon + "/gauges/g.xml");
  WriteFile(addon + "/" + folder + std::string(148 - folder.size(), 'z'), "x");
  ServerTreeResult full = PackServerTree(addon, server);
  ASSERT_TRUE(full.ok()) << full.error;
  EXPECT_EQ(full.listBytes, 48000u);
  fs::remove_all(server);
  WriteFile(addon + "/Effects/y", "y");
  refuses({}, "a list over 48000 bytes", addon);
  fs::remove(addon + "/Effects/y");

  for (const char* version : {"1.10.0.0", "1.1.0", "a.1.0.0"}) {
    ServerTreeOptions options;
    options.installerVersion = version;
    refuses(options, std::string("installer version ") + version, addon);
  }
  for (const char* version : {"120", "12000"}) {
    ServerTreeOptions options;
    options.modelVersion = version;
    refuses(options, std::string("model version ") + version, addon);
  }

  const std::string withEmpty = dir / "with-empty";
  WriteFile(withEmpty + "/Effects/a.fx", "a");
  WriteFile(withEmpty + "/Effects/empty.fx", std::string());
  refuses({}, "an empty file has no payload", withEmpty);
}
