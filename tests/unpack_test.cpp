#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <thread>

#include "vendor/lzw_encoder.h"
#include "package/unpack.h"
#include "platform/fatal.h"
#include "support/recording_ui.h"
#include "support/temp_dir.h"
#include "workers/decoders.h"
#include "workers/file_list.h"
#include "workers/progress.h"

namespace {
// Each file's own length and byte, so that no file can pass for another.
std::vector<std::uint8_t> Content(std::size_t i) {
  return std::vector<std::uint8_t>(100 + i * 37, static_cast<std::uint8_t>('a' + i));
}

class UnpackTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetInstallerState();
    std::snprintf(g_simRoot, sizeof g_simRoot, "%s", root.Path().c_str());
  }
  void TearDown() override { ResetInstallerState(); }

  // Lists n entries and writes each one's temporary, as the split leaves them.
  void Stage(std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) {
      char name[48];
      std::snprintf(name, sizeof name, "Effects/d%zu/f%zu.bin", i % 3, i);
      std::string entry = name;
      g_fileList.push_back(entry);
      WriteFile(root / (entry + ".qzar"), LzwEncode(Content(i)));
    }
  }

  static UnpackStatus WaitForWorkers() {  // for a minute at most
    for (int i = 0; i < 12000 && !PollUnpack().allDone; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    return PollUnpack();
  }

  TempDir root;
};
}  // namespace

// The first worker has the first and the fifth file. A longer file in a target's place
// is replaced whole; a temporary that is missing or decodes to nothing is counted and
// leaves its target alone.
TEST_F(UnpackTest, EntriesAreDealtByListPositionAndEveryTargetIsDecodedOrCounted) {
  Stage(5);
  WriteFile(root / "Effects/d0/f0.bin", std::vector<std::uint8_t>(100000, 7));
  std::filesystem::remove(root / "Effects/d1/f1.bin.qzar");                       // never cut
  WriteFile(root / "Effects/d2/f2.bin.qzar", std::vector<std::uint8_t>{0x41});  // odd: decodes to nothing
  WriteFile(root / "Effects/d2/f2.bin", Content(9));  // kept as it is
  ASSERT_TRUE(UnpackAll());
  // The pairs of temporary and target are checked by the contents below.
  EXPECT_EQ(g_workerSources[0], (StringList{root / "Effects/d0/f0.bin.qzar", root / "Effects/d1/f4.bin.qzar"}));
  UnpackStatus status = WaitForWorkers();
  // The bar still reaches its end.
  EXPECT_EQ(std::make_tuple(status.allDone, status.finished, status.total, status.failed),
            std::make_tuple(true, 5, 5, 2));
  for (std::size_t i : {0u, 3u, 4u}) {
    EXPECT_EQ(ReadFile(g_targetFiles[i]), Content(i)) << i;
    // Each temporary goes once its file is in place; the sibling was renamed over it.
    EXPECT_FALSE(Exists(g_tempFiles[i]) || Exists(g_targetFiles[i] + ".qznew")) << i;
  }
  EXPECT_FALSE(Exists(root / "Effects/d1/f1.bin"));
  EXPECT_EQ(ReadFile(root / "Effects/d2/f2.bin"), Content(9));
}

// Decoders that follow a cut take each temporary once it is published, and count the
// ones a cut that broke off never reached, leaving them and their targets alone.
TEST_F(UnpackTest, DecodersFollowACutAndCountWhatItNeverReached) {
  Stage(6);
  CutProgress cut;
  cut.Start();
  ASSERT_TRUE(UnpackAll(&cut));
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  for (const std::string& target : g_targetFiles) EXPECT_FALSE(Exists(target)) << target;
  cut.Publish(3);
  for (int i = 0; i < 12000 && PollUnpack().finished < 3; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  cut.End();
  UnpackStatus status = WaitForWorkers();
  EXPECT_EQ(std::make_tuple(status.allDone, status.finished, status.failed), std::make_tuple(true, 6, 3));
  for (std::size_t i = 0; i < 6; ++i) {
    EXPECT_EQ(Exists(g_targetFiles[i]), i < 3) << i;
    EXPECT_EQ(Exists(g_tempFiles[i]), i >= 3) << i;
  }
  for (std::size_t i = 0; i < 3; ++i) EXPECT_EQ(ReadFile(g_targetFiles[i]), Content(i)) << i;
}

// The echo of the recorder and of the clean-up is all a death test sees of the child.
TEST_F(UnpackTest, ATargetThatCannotBeReplacedTakesTheFatalPathAfterItsSiblingIsDeleted) {
#ifdef _WIN32
  constexpr int kFolderInTheWay = 5;  // ERROR_ACCESS_DENIED
#else
  constexpr int kFolderInTheWay = 21;  // EISDIR
#endif
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  auto replace = [this] {
    Stage(1);
    WriteFile(root / "Effects/d0/f0.bin/user.cfg", std::string("a folder where the file goes"));
    static const std::string sibling = root / "Effects/d0/f0.bin.qznew";  // the death test's child runs this once
    RecordingUi ui;
    SetFatalCleanUp([] { std::fputs(Exists(sibling) ? "sibling left " : "sibling deleted ", stderr); });
    UnpackAll();
    WaitForWorkers();
  };
  EXPECT_EXIT(replace(), ::testing::ExitedWithCode(kFolderInTheWay),
              "sibling deleted .box Error. .null. failed with error " + std::to_string(kFolderInTheWay));
}

// The fourth worker, with nothing to do, is done too.
TEST_F(UnpackTest, CancelStopsTheWorkersBeforeAnyTargetIsWritten) {
  Stage(3);
  g_cancelRequested = true;
  ASSERT_TRUE(UnpackAll());
  UnpackStatus status = WaitForWorkers();
  EXPECT_EQ(std::make_tuple(status.allDone, status.finished), std::make_tuple(true, 0));
  for (const std::string& target : g_targetFiles) EXPECT_FALSE(Exists(target)) << target;
}

TEST(ProgressTest, PositionIsDoneOfTotalTruncatedAndAnEmptyJobIsComplete) {
  const std::int32_t kCases[][3] = {{0, 0, 1000}, {0, 1, 0}, {1, 1, 1000}, {1, 3, 333}, {2, 3, 666}, {7, 7, 1000}};
  for (const auto& [done, total, position] : kCases) EXPECT_EQ(Position(done, total), position) << done << "/" << total;
}
