#include <gtest/gtest.h>

#include <filesystem>
#include <thread>

#include "app/state.h"
#include "online/server.h"
#include "package/container.h"
#include "support/local_server.h"
#include "support/recording_ui.h"
#include "support/temp_dir.h"
#include "workers/split.h"

namespace {
using Bytes = std::vector<std::uint8_t>;

Bytes Record(const Bytes& payload) {
  Bytes record{'['};
  for (int k = 0; k < 4; ++k) record.push_back(static_cast<std::uint8_t>(payload.size() >> (8 * k)));
  record.push_back(']');
  record.insert(record.end(), payload.begin(), payload.end());
  return record;
}

Bytes Package(const std::vector<Bytes>& records) {
  Bytes package(std::begin(kPackageMagic), std::end(kPackageMagic));
  for (const Bytes& record : records) package.insert(package.end(), record.begin(), record.end());
  return package;
}

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

  void PublishList(const std::string& text) { WriteFile(server.Root() + ResourcePath(Resource::FileList), text); }

  LocalServer server;
  TempDir root;
  RecordingUi ui;
};

const Bytes kA{'A', 0};           // "A"
const Bytes kAbab{0x41, 0, 0x42, 0, 0, 1};  // "ABAB"
const std::string kTwoEntries = "Effects/a.cfg\r\nEffects/sub/b.cfg\r\n";
}  // namespace

// That the decoders find the temporaries by the paths the split keeps is WorkerTest's and
// CrashTest's, end to end; that a whole package shows no message NetworkFaultTest's. A
// follower of the cut, as the decoders are, finds each temporary whole once published.
TEST_F(SplitTest, CutsOneTemporaryPerEntryHoldingItsPayloadUnchangedAfterDeletingWhatAKilledRunLeft) {
  PublishList(kTwoEntries);
  Bytes big((5 << 20) + 258, 0x11);  // length bytes 02 01 50 00; more than one read of the cut
  WriteFile(g_packagePath, Package({Record(kA), Record(big)}));
  WriteFile(root / "Effects/sub/b.cfg.qznew", std::string("half a file"));
  const std::string temporaries[] = {root / "Effects/a.cfg.qzar", root / "Effects/sub/b.cfg.qzar"};
  std::vector<std::uintmax_t> seen;
  bool third = true;  // no third temporary is ever announced
  int recordsCut = 0;
  std::thread follower;
  CutFollowing following{[&](const CutProgress& cut) {
                           follower = std::thread([&] {
                             std::error_code missing;
                             for (std::size_t k = 0; k < 2 && cut.AwaitRecord(k); ++k) {
                               seen.push_back(std::filesystem::file_size(temporaries[k], missing));
                             }
                             third = cut.AwaitRecord(2);
                           });
                         },
                         [&] { ++recordsCut; }};
  EXPECT_EQ(SplitPackage(following), SplitResult::Done);
  follower.join();
  EXPECT_EQ(seen, (std::vector<std::uintmax_t>{kA.size(), big.size()}));
  EXPECT_FALSE(third);
  EXPECT_EQ(recordsCut, 2);
  EXPECT_FALSE(Exists(root / "Effects/sub/b.cfg.qznew"));
  EXPECT_EQ(ReadFile(root / "Effects/a.cfg.qzar"), kA);
  EXPECT_EQ(ReadFile(root / "Effects/sub/b.cfg.qzar"), big);
}

TEST_F(SplitTest, DamagedPackagesAreReportedBeforeAnyRecordIsCut) {
  struct Case {
    const char* name;
    Bytes package;
    SplitResult result;
    std::string box;
    std::uint64_t sparseSize = 0;  // the package grown to this size with a hole
  };
  const std::string damaged = "File \"Setup_Xq_730K5_QZ_x64.zip\" is damaged!";
  const std::string mismatch = "File \"Setup_Xq_730K5_QZ_x64.zip\" does not match the file list!";
  std::vector<Case> cases = {
      {"magic only", Package({}), SplitResult::NoPackage, "File \"Setup_Xq_730K5_QZ_x64.zip\" is missing or empty!"},
      {"no '['", Package({{'(', 2, 0, 0, 0, ']', 'A', 0}}), SplitResult::Damaged, "...[?"},
      {"one byte, not '['", Package({{'('}}), SplitResult::Damaged, "...[?"},
      // Exactly a header's six bytes left: read as a header, not as one cut short.
      {"no ']'", Package({Record(kA), {'[', 6, 0, 0, 0, ')'}}), SplitResult::Damaged, "...]?"},
      {"header past the end", Package({Record(kA), {'[', 4, 0}}), SplitResult::Damaged, damaged},
      {"payload past the end", Package({Record(kA), {'[', 6, 0, 0, 0, ']', 0x41, 0, 0x42, 0, 0}}),
       SplitResult::Damaged, damaged},
      {"empty payload", Package({Record(kA), Record({})}), SplitResult::Damaged, damaged},
      {"fewer records", Package({Record(kA)}), SplitResult::RecordCountMismatch, mismatch},
      {"more records", Package({Record(kA), Record(kAbab), Record(kA)}), SplitResult::RecordCountMismatch, mismatch},
      // Record offsets are 32-bit: refused before any header is read.
      {"4 GiB", Package({Record(kA), Record(kAbab)}), SplitResult::NoPackage,
       "File \"Setup_Xq_730K5_QZ_x64.zip\" is too large: 4 GB or more is not supported!", std::uint64_t{1} << 32},
      // One byte less is read, up to the hole after the two records.
      {"4 GiB - 1", Package({Record(kA), Record(kAbab)}), SplitResult::Damaged, "...[?", (std::uint64_t{1} << 32) - 1},
  };
  PublishList(kTwoEntries);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RecordingUi boxes;
    WriteFile(g_packagePath, c.package);
    if (c.sparseSize != 0) std::filesystem::resize_file(g_packagePath, c.sparseSize);
    // The two record boxes have always been English only, captioned "Error", without an owner.
    const bool record = c.box.starts_with("...");
    g_russian = record;
    EXPECT_EQ(SplitPackage(), c.result);
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    const MessageBoxRequest box = boxes.Boxes()[0];
    EXPECT_EQ(std::tie(box.text, box.caption, box.flags, box.owner),
              record ? std::make_tuple(c.box, "Error", 0u, BoxOwner::None)
                     : std::make_tuple(c.box, "Xq-730 QZ Installer v1.1", 0x30u, BoxOwner::MainWindow));
    // No temporary, not even of the good records before the bad one.
    EXPECT_EQ(FilesBelow(root / "Effects"), std::vector<std::string>{});
  }
}

// No connection or an error page for the list is NetworkFaultTest's, through the same
// fetch; each kind of bad path FileListTest's.
TEST_F(SplitTest, AListThatIsNotOneOrNamesABadPathStopsBeforeAnythingIsWritten) {
  WriteFile(g_packagePath, Package({Record(kA), Record(kA)}));
  const std::string notFound = "File \"List\" not found!";
  // The list served, the result and the box.
  const std::tuple<const char*, SplitResult, std::string> cases[] = {
      {"effects/a.cfg\r\n", SplitResult::NoList, notFound},
      {"\xEF\xBB\xBF" "Effects/a.cfg\r\n", SplitResult::NoList, notFound},
      {"Effects/fine.cfg\r\n../escaped.cfg\r\n", SplitResult::UnsafeList,
       "The file list holds an invalid path:\n../escaped.cfg"},
  };
  for (const auto& [list, result, box] : cases) {
    SCOPED_TRACE(box);
    RecordingUi boxes;
    PublishList(list);
    EXPECT_EQ(SplitPackage(), result);
    EXPECT_EQ(boxes.Texts(), std::vector<std::string>{box});
    // Not even the folder of the first, harmless, entry.
    EXPECT_EQ(FilesBelow(root.Path(), true), std::vector<std::string>{kPackageFileName});
  }
}
