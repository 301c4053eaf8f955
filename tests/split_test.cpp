#include <gtest/gtest.h>

#include <algorithm>

#include "app/state.h"
#include "online/server.h"
#include "package/container.h"
#include "support/local_server.h"
#include "support/recording_ui.h"
#include "support/temp_dir.h"
#include "support/test_env.h"
#include "workers/split.h"

namespace {
using Bytes = std::vector<std::uint8_t>;

Bytes Record(const Bytes& payload) {
  auto n = static_cast<std::uint32_t>(payload.size());
  Bytes record(6 + payload.size());
  record[0] = '[';
  for (int k = 0; k < 4; ++k) record[1 + k] = static_cast<std::uint8_t>(n >> (8 * k));
  record[5] = ']';
  std::copy(payload.begin(), payload.end(), record.begin() + 6);
  return record;
}

Bytes Package(const std::vector<Bytes>& records) {
  Bytes package(std::begin(kPackageMagic), std::end(kPackageMagic));
  for (const Bytes& record : records) package.insert(package.end(), record.begin(), record.end());
  return package;
}

std::string ListPath() { return std::string(ResourcePath(Resource::FileList)).substr(1); }

class SplitTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetInstallerState();
    g_russian = false;
    if (std::string reason = LocalServer::Unavailable(); !reason.empty()) GTEST_SKIP() << reason;
    ASSERT_TRUE(server.Start()) << server.Error();
    std::snprintf(g_simRoot, sizeof g_simRoot, "%s", root.Path().c_str());
    std::snprintf(g_packagePath, sizeof g_packagePath, "%s", (root / kPackageFileName).c_str());
  }
  void TearDown() override { ResetInstallerState(); }

  void PublishList(const std::string& text) { WriteFile(server.Root() + "/" + ListPath(), text); }
  void PlacePackage(const Bytes& package) { WriteFile(g_packagePath, package); }

  // Files below the root other than the package itself.
  std::vector<std::string> WrittenBelowRoot() const {
    std::vector<std::string> found;
    for (const auto& item : std::filesystem::recursive_directory_iterator(root.Path())) {
      std::string path = item.path().generic_string();
      if (path != g_packagePath) found.push_back(path.substr(root.Path().size() + 1));
    }
    return found;
  }

  LocalServer server;
  TempDir root;
  RecordingUi ui;
};

const Bytes kA{'A', 0};           // "A"
const Bytes kAbab{0x41, 0, 0x42, 0, 0, 1};  // "ABAB"
const std::string kTwoEntries = "Effects/a.cfg\r\nEffects/sub/b.cfg\r\n";
}  // namespace

TEST_F(SplitTest, CutsOneTemporaryPerEntryHoldingItsPayloadUnchangedAfterDeletingWhatAKilledRunLeft) {
  PublishList(kTwoEntries);
  Bytes big((5 << 20) + 258, 0x11);  // length bytes 02 01 50 00; more than one read of the cut
  PlacePackage(Package({Record(kA), Record(big)}));
  WriteFile(root / "Effects/sub/b.cfg.qznew", std::string("half a file"));
  EXPECT_EQ(SplitPackage(), SplitResult::Done);
  EXPECT_FALSE(Exists(root / "Effects/sub/b.cfg.qznew"));
  EXPECT_EQ(ReadFile(root / "Effects/a.cfg.qzar"), kA);
  EXPECT_EQ(ReadFile(root / "Effects/sub/b.cfg.qzar"), big);
  EXPECT_TRUE(ui.Boxes().empty());
  EXPECT_EQ(g_fileList, (StringList{"Effects/a.cfg", "Effects/sub/b.cfg"}));
  EXPECT_EQ(g_tempFiles, (StringList{root / "Effects/a.cfg.qzar", root / "Effects/sub/b.cfg.qzar"}));
}

TEST_F(SplitTest, DamagedPackagesAreReportedAndNothingIsWrittenForTheBadRecord) {
  struct Case {
    const char* name;
    Bytes package;
    SplitResult result;
    std::string box;
    std::vector<std::string> written;  // temporaries expected afterwards
    std::uint64_t sparseSize = 0;      // the package grown to this size with a hole
  };
  Bytes magicOnly(std::begin(kPackageMagic), std::end(kPackageMagic));
  Bytes noOpen = Package({Record(kA)});
  noOpen[10] = '(';
  Bytes noClose = Package({Record(kA), Record(kAbab)});
  noClose[10 + 8 + 5] = ')';
  Bytes shortHeader = Package({Record(kA)});
  shortHeader.insert(shortHeader.end(), {'[', 4, 0});
  Bytes longPayload = Package({Record(kA), Record(kAbab)});
  longPayload.pop_back();
  Bytes hugeLength = Package({Record(kA), {'[', 0xFF, 0xFF, 0xFF, 0xFF, ']', 1, 2}});
  const std::string damaged = "File \"Setup_Xq_730K5_QZ_x64.zip\" is damaged!";
  const std::string mismatch = "File \"Setup_Xq_730K5_QZ_x64.zip\" does not match the file list!";
  const std::vector<std::string> first{"Effects/a.cfg.qzar"};
  std::vector<Case> cases = {
      {"magic only", magicOnly, SplitResult::NoPackage,
       "File \"Setup_Xq_730K5_QZ_x64.zip\" is missing or empty!", {}},
      {"no '['", noOpen, SplitResult::Damaged, "...[?", {}},
      {"no ']'", noClose, SplitResult::Damaged, "...]?", first},
      {"header past the end", shortHeader, SplitResult::Damaged, damaged, first},
      {"payload past the end", longPayload, SplitResult::Damaged, damaged, first},
      {"length past the end", hugeLength, SplitResult::Damaged, damaged, first},
      {"empty payload", Package({Record(kA), Record({})}), SplitResult::Damaged, damaged, first},
      {"fewer records", Package({Record(kA)}), SplitResult::RecordCountMismatch, mismatch, first},
      {"more records", Package({Record(kA), Record(kAbab), Record(kA)}), SplitResult::RecordCountMismatch, mismatch,
       {"Effects/a.cfg.qzar", "Effects/sub/b.cfg.qzar"}},
      // Record offsets are 32-bit: refused before anything is cut.
      {"4 GiB", Package({Record(kA), Record(kAbab)}), SplitResult::NoPackage,
       "File \"Setup_Xq_730K5_QZ_x64.zip\" is too large: 4 GB or more is not supported!", {}, std::uint64_t{1} << 32},
  };
  PublishList(kTwoEntries);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove_all(root / "Effects");
    RecordingUi boxes;
    PlacePackage(c.package);
    if (c.sparseSize != 0) std::filesystem::resize_file(g_packagePath, c.sparseSize);
    // The two record boxes have always been English only, captioned "Error", without an owner.
    const bool record = c.box.starts_with("...");
    g_russian = record;
    EXPECT_EQ(SplitPackage(), c.result);
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    const MessageBoxRequest box = boxes.Boxes()[0];
    EXPECT_EQ(box.text, c.box);
    EXPECT_EQ(std::tie(box.caption, box.flags, box.owner),
              record ? std::make_tuple("Error", 0u, BoxOwner::None)
                     : std::make_tuple("Xq-730 QZ Installer v1.1", 0x30u, BoxOwner::MainWindow));
    std::vector<std::string> temporaries;
    for (const std::string& path : WrittenBelowRoot()) {
      if (path.size() > 5 && path.substr(path.size() - 5) == ".qzar") temporaries.push_back(path);
    }
    std::sort(temporaries.begin(), temporaries.end());
    EXPECT_EQ(temporaries, c.written);
  }
}

TEST_F(SplitTest, AListThatIsNotAListStopsBeforeAnythingIsWritten) {
  PlacePackage(Package({Record(kA)}));
  for (const char* text : {"effects/a.cfg\r\n", "\xEF\xBB\xBF" "Effects/a.cfg\r\n"}) {
    PublishList(text);
    EXPECT_EQ(SplitPackage(), SplitResult::NoList);
  }
  std::filesystem::remove(server.Root() + "/" + ListPath());  // the server's error page arrives instead
  EXPECT_EQ(SplitPackage(), SplitResult::NoList);
  EXPECT_EQ(ui.Texts(), std::vector<std::string>(3, "File \"List\" not found!"));
  EXPECT_TRUE(WrittenBelowRoot().empty());
}

TEST_F(SplitTest, HostileOrOverlongEntriesRefuseTheWholeList) {
  PlacePackage(Package({Record(kA), Record(kA)}));
  PublishList("Effects/fine.cfg\r\n../escaped.cfg\r\n");
  EXPECT_EQ(SplitPackage(), SplitResult::UnsafeList);
  PublishList("Effects/fine.cfg\r\nEffects/" + std::string(300, 'x') + "\r\n");
  EXPECT_EQ(SplitPackage(), SplitResult::UnsafeList);
  auto texts = ui.Texts();
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_EQ(texts[0], "The file list holds an invalid path:\n../escaped.cfg");
  EXPECT_EQ(texts[1].rfind("A path in the chosen folder is longer than 259 characters:\nEffects/xxx", 0), 0u);
  EXPECT_TRUE(WrittenBelowRoot().empty());  // not even the folder of the first entry
  EXPECT_FALSE(Exists(root.Path() + "/../escaped.cfg.qzar"));
}

TEST_F(SplitTest, NoServerMeansNoConnection) {
  ScopedEnv closed("QZ_SERVER", LocalServer::ClosedUrl());
  PlacePackage(Package({Record(kA)}));
  EXPECT_EQ(SplitPackage(), SplitResult::NoList);
  EXPECT_EQ(ui.Texts(), std::vector<std::string>{"No internet connection!"});
  EXPECT_TRUE(WrittenBelowRoot().empty());
}
