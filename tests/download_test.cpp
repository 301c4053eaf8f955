// The download's progress callback, the size text and the window thread's taskbar step.
#include <gtest/gtest.h>

#include "app/size_text.h"
#include "app/state.h"
#include "online/download.h"
#include "platform/fs.h"
#include "support/recording_ui.h"
#include "support/temp_dir.h"

namespace {
std::u16string Shown(const SizeText& size) { return size.number + u" " + size.unit; }

class DownloadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetInstallerState();
    g_russian = false;
  }
  void TearDown() override { ResetInstallerState(); }
  RecordingUi ui;
};
}  // namespace

TEST(SizeTextTest, DecimalUnitsRoundedToTwoPlacesAndPrintedWithoutTrailingZeros) {
  EXPECT_EQ(Shown(FormatSizeText(487520000, false)), u"487.52 MB");
  EXPECT_EQ(Shown(FormatSizeText(1500000000, false)), u"1.5 GB");
  EXPECT_EQ(Shown(FormatSizeText(734003200, false)), u"734 MB");
  EXPECT_EQ(Shown(FormatSizeText(1234567890, false)), u"1.23 GB");
  EXPECT_EQ(Shown(FormatSizeText(999999999, false)), u"1000 MB");  // rounds up, stays in MB
  EXPECT_EQ(Shown(FormatSizeText(1000000000, false)), u"1 GB");
  EXPECT_EQ(Shown(FormatSizeText(12000000, true)), u"12 Мбайт");
  EXPECT_EQ(Shown(FormatSizeText(200000000000ULL, true)), u"200 Гбайт");
  EXPECT_EQ(Shown(FormatSizeText(5000, false)), u"0.01 MB");  // a half rounds away from zero
  EXPECT_EQ(Shown(FormatSizeText(0, false)), u"0 MB");
}

TEST_F(DownloadTest, BeginningDataShowsTheSizeAndHandsTheTaskbarToTheWindow) {
  EXPECT_EQ(OnProgress(65536, 487520000, kBindStatusBeginDownloadData), kSOk);
  EXPECT_EQ(std::u16string(GetDownloadInfo().data()), u"487.52 MB");
  EXPECT_EQ(g_taskbarState, 1);
  EXPECT_EQ(ui.Log(), std::vector<std::string>{"repaint page 0 phase 0"});

  // No length from the server: no size rather than "0 MB", and the bar stays at 0.
  EXPECT_EQ(OnProgress(100, 0, kBindStatusBeginDownloadData), kSOk);
  EXPECT_EQ(GetDownloadInfo()[0], u'\0');
  EXPECT_EQ(OnProgress(4096, 0, kBindStatusDownloadingData), kSOk);
  EXPECT_EQ(g_downloadPos, 0);
}

TEST_F(DownloadTest, DataMovesTheBarTruncatedAndReachesTheEndOnlyWhenComplete) {
  const std::pair<std::uint32_t, int> steps[] = {{0, 0}, {1, 0}, {2999, 999}, {2998, 999}, {3000, 1000}, {4000, 1000}};
  for (auto [received, position] : steps) {
    EXPECT_EQ(OnProgress(received, 3000, kBindStatusDownloadingData), kSOk);
    EXPECT_EQ(g_downloadPos, position) << received;
    EXPECT_EQ(ui.Log().back(), "bar " + std::to_string(position));
  }
  std::size_t calls = ui.Log().size();
  EXPECT_EQ(OnProgress(10, 3000, 2), kSOk);  // other statuses do nothing
  EXPECT_EQ(ui.Log().size(), calls);
}

TEST_F(DownloadTest, ACancelIsAnsweredOnceWithAnAbortAtAnyStatus) {
  g_cancelRequested = true;
  EXPECT_EQ(OnProgress(0, 0, 1), kEAbort);
  EXPECT_FALSE(g_cancelRequested);
  EXPECT_EQ(OnProgress(0, 0, 1), kSOk);
  g_cancelRequested = true;
  EXPECT_EQ(OnProgress(1500, 3000, kBindStatusDownloadingData), kEAbort);
  EXPECT_EQ(g_downloadPos, 500);  // the piece is still shown
  g_cancelRequested = true;
  OnDownloadStart();  // a cancel from before the transfer does not touch it
  EXPECT_FALSE(g_cancelRequested);
}

TEST_F(DownloadTest, ATransferThatEndsAfterItsAbortWasAnsweredIsCancelled) {
  TempDir dir;
  std::string package = dir / "package.zip";
  WriteFile(package, std::string("PK"));
  OnDownloadStart();
  EXPECT_EQ(SettleTransfer(kSOk, package.c_str()), kSOk);
  EXPECT_EQ(SettleTransfer(kInetEDownloadFailure, package.c_str()), kInetEDownloadFailure);
  EXPECT_TRUE(PathExists(package.c_str()));
  g_cancelRequested = true;
  EXPECT_EQ(OnProgress(10, 3000, kBindStatusDownloadingData), kEAbort);
  EXPECT_EQ(SettleTransfer(kSOk, package.c_str()), kEAbort);
  EXPECT_FALSE(PathExists(package.c_str()));
  OnDownloadStart();  // the next transfer starts afresh
  WriteFile(package, std::string("PK"));
  EXPECT_EQ(SettleTransfer(kSOk, package.c_str()), kSOk);
}

TEST_F(DownloadTest, TheTimerWalksTheTaskbarStatesOfTheDownload) {
  TaskbarTick();  // state 0: nothing
  EXPECT_EQ(g_taskbarState, 0);
  g_taskbarState = 1;
  TaskbarTick();
  EXPECT_EQ(g_taskbarState, 2);
  g_downloadPos = 400;
  TaskbarTick();
  EXPECT_EQ(g_taskbarState, 2);
  g_taskbarState = 4;  // a failed download, its message still shown
  TaskbarTick();
  TaskbarTick();
  EXPECT_EQ(g_taskbarState, 4);
  g_taskbarState = 3;
  TaskbarTick();
  EXPECT_EQ(g_taskbarState, 0);
  g_taskbarState = 2;
  EndWindowTaskbar();  // a confirmed Cancel
  EXPECT_EQ(g_taskbarState, 0);
#ifndef _WIN32
  // Without a taskbar list of the platform's own, the port shows what the list would.
  EXPECT_EQ(ui.Log("taskbar"),
            (std::vector<std::string>{"taskbar state 2", "taskbar 0/100", "taskbar 400/1000", "taskbar state 2",
                                      "taskbar 0/100", "taskbar state 4", "taskbar 250/1000", "taskbar state 2",
                                      "taskbar 0/100", "taskbar state 4", "taskbar 250/1000", "taskbar state 0"}));
#endif
}
