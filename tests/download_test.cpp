// The download's progress callback, the size text and the window thread's taskbar step.
#include <gtest/gtest.h>

#include "app/size_text.h"
#include "app/state.h"
#include "online/download.h"
#include "online/fetch_text.h"
#include "platform/fs.h"
#include "support/recording_ui.h"
#include "support/temp_dir.h"

#ifdef _WIN32
#include <objbase.h>
#endif

namespace {
std::u16string Shown(const SizeText& size) { return size.number + u" " + size.unit; }

class DownloadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetInstallerState();
    OnDownloadStart();
    g_russian = false;
  }
  void TearDown() override { ResetInstallerState(); }
  RecordingUi ui;
};
}  // namespace

TEST(SizeTextTest, DecimalUnitsRoundedToTwoPlacesAndPrintedWithoutTrailingZeros) {
  EXPECT_EQ(Shown(FormatSizeText(999999999, false)), u"1000 MB");  // rounds up, stays in MB
  EXPECT_EQ(Shown(FormatSizeText(1000000000, false)), u"1 GB");
  EXPECT_EQ(Shown(FormatSizeText(12000000, true)), u"12 Мбайт");
  EXPECT_EQ(Shown(FormatSizeText(200000000000ULL, true)), u"200 Гбайт");
  EXPECT_EQ(Shown(FormatSizeText(5000, false)), u"0.01 MB");  // a half rounds away from zero
}

TEST(DownloadHeadTest, ContentLengthIsReadCaseInsensitivelyAndSaturatesBeyond64Bits) {
  const std::pair<const char*, std::optional<std::uint64_t>> heads[] = {
      {"HTTP/1.1 200 OK\r\nContent-Type: application/zip\r\nContent-Length: 4294967295\r\n\r\n", 4294967295u},
      {"HTTP/1.1 200 OK\r\ncontent-length:  4294967296\r\n", std::uint64_t{1} << 32},
      {"HTTP/1.1 200 OK\r\nX-Content-Length: 5\r\n", std::nullopt},
      {"Content-Length: 123456789012345678901234567890\r\n", UINT64_MAX},
      {"", std::nullopt},
  };
  for (auto [head, length] : heads) EXPECT_EQ(ContentLengthOf(head), length) << head;
}

TEST_F(DownloadTest, BeginningDataShowsTheSizeAndHandsTheTaskbarToTheWindow) {
  // No length from the server: nothing would bound the file, so the transfer is refused
  // at once, before the taskbar is handed over, and stays refused.
  EXPECT_EQ(OnProgress(100, 0, kBindStatusBeginDownloadData), kEAbort);
  EXPECT_EQ(g_taskbarState, 0);
  EXPECT_EQ(OnProgress(4096, 0, kBindStatusDownloadingData), kEAbort);

  OnDownloadStart();
  EXPECT_EQ(OnProgress(65536, 487520000, kBindStatusBeginDownloadData), kSOk);
  EXPECT_EQ(std::u16string(GetDownloadInfo().data()), u"487.52 MB");
  EXPECT_EQ(g_taskbarState, 1);
  EXPECT_EQ(ui.Log(), (std::vector<std::string>{"bar 0", "repaint page 0 phase 0"}));

  // The head's length holds where the reports, in 32 bits, tell less: Wine's monikers stop
  // at 2^31 - 1. One byte more than this largest package is NetworkFaultTest's "announce
  // 4294967296", refused through a real transfer.
  OnDownloadStart();
  OnAnnouncedLength(4294967295u);
  EXPECT_EQ(OnProgress(1, 2147483647u, kBindStatusBeginDownloadData), kSOk);
  EXPECT_EQ(std::u16string(GetDownloadInfo().data()), u"4.29 GB");
  EXPECT_EQ(OnProgress(3000000000u, 2147483647u, kBindStatusDownloadingData), kSOk);
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

TEST_F(DownloadTest, ACancelIsAnsweredOnceWithAnAbortAtAnyStatusAndATransferEndingAfterItIsCancelled) {
  g_cancelRequested = true;
  EXPECT_EQ(OnProgress(0, 0, 1), kEAbort);
  EXPECT_EQ(OnProgress(0, 0, 1), kSOk);  // answered once
  g_cancelRequested = true;
  EXPECT_EQ(OnProgress(1500, 3000, kBindStatusDownloadingData), kEAbort);
  EXPECT_EQ(g_downloadPos, 500);  // the piece is still shown
  g_cancelRequested = true;
  OnDownloadStart();  // a cancel confirmed before the transfer began still stops it
  EXPECT_EQ(OnProgress(0, 0, 1), kEAbort);

  // A transfer that runs to its end after its abort was answered.
  OnDownloadStart();
  TempDir dir;
  std::string package = dir / "package.zip";
  WriteFile(package, std::string("PK"));
  EXPECT_EQ(OnProgress(2, 2, kBindStatusBeginDownloadData), kSOk);
  g_cancelRequested = true;
  EXPECT_EQ(OnProgress(2, 2, kBindStatusDownloadingData), kEAbort);
  EXPECT_EQ(SettleTransfer(kSOk, package.c_str(), 2), kEAbort);
  EXPECT_FALSE(PathExists(package.c_str()));
}

#ifdef _WIN32
// Whether the window thread's ticks left this thread's COM as they found it: the test holds
// one initialisation of its own, which an unmatched uninitialisation would take away (first
// false), and any initialisation the ticks kept would still be there after the test lets go
// of its own (second false).
std::pair<bool, bool> ComAsFound() {
  bool ownKept = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED) == S_FALSE;
  CoUninitialize();
  CoUninitialize();  // the test's own
  return {ownKept, CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED) == S_OK};
}
#endif

TEST_F(DownloadTest, TheTimerWalksTheTaskbarStatesAndHoldsOneComInitialisationForThem) {
  constexpr int kKeep = -1, kCancel = -2;  // the download sets no state; the user confirms Cancel
  // Each step: what the download does before the tick, and the state the tick leaves.
  const std::vector<std::vector<std::pair<int, int>>> runs = {
      {{0, 0}, {1, 2}, {kKeep, 2}, {3, 0}},  // a download that the timer followed
      {{3, 0}},                              // one that ended before the first tick: 1 straight to 3
      {{1, 2}, {4, 4}, {3, 0}},              // a failure, its message shown at the tick
      {{4, 4}, {kCancel, 0}},                // cancelled while the failure bar is up
  };
#ifdef _WIN32
  ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
#endif
  g_downloadPos = 400;
  for (const auto& run : runs) {
    SCOPED_TRACE(::testing::PrintToString(run));
    for (auto [set, after] : run) {
      if (set >= 0) g_taskbarState = set;
      (set == kCancel ? EndWindowTaskbar : TaskbarTick)();
      EXPECT_EQ(g_taskbarState, after) << set;
    }
#ifdef _WIN32
    EXPECT_EQ(ComAsFound(), std::pair(true, true));
#endif
  }
#ifdef _WIN32
  CoUninitialize();
#else
  // Without a taskbar list of the platform's own, the port shows what the list would.
  EXPECT_EQ(ui.Log("taskbar"),
            (std::vector<std::string>{"taskbar state 2", "taskbar 0/100", "taskbar 400/1000", "taskbar state 0",
                                      "taskbar state 2", "taskbar 0/100", "taskbar state 2", "taskbar 0/100",
                                      "taskbar state 4", "taskbar 250/1000", "taskbar state 0", "taskbar state 2",
                                      "taskbar 0/100", "taskbar state 4", "taskbar 250/1000", "taskbar state 0"}));
#endif
}
