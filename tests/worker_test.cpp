// The install and removal workers end to end, against qz serve over HTTPS on loopback
// with the sample add-on, as the window would run them: on a thread of their own.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <thread>

#include "app/state.h"
#include "online/server.h"
#include "support/job_hold.h"
#include "support/local_server.h"
#include "support/recording_ui.h"
#include "support/served_sample.h"
#include "support/temp_dir.h"
#include "workers/cleanup.h"
#include "workers/install_worker.h"
#include "workers/uninstall_worker.h"

namespace fs = std::filesystem;

namespace {
// URL monikers in Wine report a fast transfer with its first and last status only, and
// finish a transfer whose data is all in before they act on an abort.
#ifdef _WIN32
constexpr bool kEveryPieceReported = false;
#else
constexpr bool kEveryPieceReported = true;
#endif

class WorkerTest : public ::testing::Test {
 protected:
  const ServedSample& sample = SampleOfSize(4u << 20);

  void SetUp() override {
    if (std::string reason = LocalServer::Unavailable(); !reason.empty()) GTEST_SKIP() << reason;
    ASSERT_TRUE(sample.addon.ok()) << sample.addon.error;
    CopyTree(sample.treeDir, server.Root());
    ASSERT_TRUE(server.Start()) << server.Error();
    // The state as the wizard leaves it when a job starts, with the server now in QZ_SERVER.
    ResetInstallerState();
    g_russian = false;
    fs::create_directories(sim);
    std::snprintf(g_simRoot, sizeof g_simRoot, "%s", sim.c_str());
  }
  void TearDown() override { ResetInstallerState(); }

  // The job on its thread; with cancelAt, the window's Cancel is confirmed once that point
  // is reached (false when it never is: a job that never gets there is not held either).
  static bool Run(void (*worker)(), Page page, JobHold* cancelAt = nullptr) {
    g_page = page;
    std::thread job(worker);
    bool reached = cancelAt != nullptr && cancelAt->Reached();
    if (reached) CancelCleanUp();
    job.join();
    return reached;
  }

  std::string Installed(const std::string& entry) const { return sim + "/" + entry; }
  // No package, temporary or decoded sibling under the root, and no listed target half-written.
  void ExpectCleanEnd() const { EXPECT_EQ(sample.LeftBehind(sim), std::vector<std::string>{}); }

  static void ExpectFailurePage(const RecordingUi& shown) {
    EXPECT_EQ(g_page, PageFailed);
    EXPECT_EQ(shown.Controls(), "shown: Finish");
  }

  LocalServer server;
  TempDir root;
  std::string sim = root / "sim";  // the simulator root; nothing may appear beside it
  RecordingUi ui;
};
}  // namespace

// Every file installed without a message is NetworkFaultTest's; a second install over this
// one CrashTest's (after a kill at any moment, the next run restores every listed file and
// keeps the settings); the download's own bar DownloadTest's.
TEST_F(WorkerTest, InstallShowsABarRunPerPhaseAndLeavesNoTemporaryBehind) {
  Run(InstallWorker, PageInstalling);

  ExpectCleanEnd();
  EXPECT_FALSE(g_cancelBlocked);
  // Download, unpacking, deletion, finished page.
  ASSERT_EQ(ui.Log("repaint"), (std::vector<std::string>{"repaint page 6 phase 0", "repaint page 6 phase 1",
                                                         "repaint page 6 phase 2", "repaint page 8 phase 2"}));
  // The bar positions of each phase, told apart by the repaints between them: they never go
  // back; every file is decoded, and the deletion's run from 0 to the start of its last file.
  std::vector<std::vector<int>> runs(1);
  for (const std::string& entry : ui.Log()) {
    if (entry.starts_with("repaint page 6 phase ") && entry != "repaint page 6 phase 0") runs.emplace_back();
    if (entry.starts_with("bar ")) runs.back().push_back(std::stoi(entry.substr(4)));
  }
  for (const std::vector<int>& run : runs) EXPECT_TRUE(std::is_sorted(run.begin(), run.end()));
  ASSERT_FALSE(runs[1].empty() || runs[2].empty());
  auto n = static_cast<int>(sample.addon.listed.size());
  EXPECT_EQ(std::make_tuple(runs[1].back(), runs[2].front(), runs[2].back()),
            std::make_tuple(1000, 0, (n - 1) * 1000 / n));
  // The unpacking's bar is shown after each record cut, and once more after the cut.
  EXPECT_GT(runs[1].size(), sample.addon.listed.size());
}

TEST_F(WorkerTest, RemoveDeletesListedFilesAndTheFoldersTheyEmptiedOnlyAndCountsTheFilesThatStay) {
  // A list of our own, so that every folder's fate is known.
  WriteFile(server.Root() + ResourcePath(Resource::FileList),
            std::string("Effects/fx/a.bmp\r\nEffects/fx/b.bmp\r\nSimObjects/A/B/aircraft.cfg\r\n"
                        "gauges/Xq/RSBN_DAT.cfg\r\n"));
  // b.bmp is gone already: not one that stayed. A listed file that cannot be deleted (here
  // a folder stands in its place) is counted. The settings file is the user's, never listed.
  for (const char* file : {"Effects/fx/a.bmp", "SimObjects/A/B/aircraft.cfg", "gauges/Xq/RSBN_DAT.cfg/held",
                           "gauges/Xq/user_settings.cfg"}) {
    WriteFile(Installed(file), std::string("data of ") + file);
  }
  // What a killed install leaves goes too, and first: it must not keep its folder.
  for (const char* left : {kPackageFileName, "Effects/fx/a.bmp.qzar", "SimObjects/A/B/aircraft.cfg.qznew"}) {
    WriteFile(Installed(left), std::string("left by a killed run"));
  }
  g_russian = true;

  Run(UninstallWorker, PageRemoving);

  // Only the folder right above a file goes.
  EXPECT_EQ(FilesBelow(sim, true),
            (std::vector<std::string>{"Effects", "SimObjects", "SimObjects/A", "gauges", "gauges/Xq",
                                      "gauges/Xq/RSBN_DAT.cfg", "gauges/Xq/RSBN_DAT.cfg/held",
                                      "gauges/Xq/user_settings.cfg"}));
  EXPECT_EQ(ui.Log("bar "), (std::vector<std::string>{"bar 0", "bar 250", "bar 500", "bar 750"}));
  EXPECT_EQ(ui.Texts(), std::vector<std::string>{"Не удалось удалить файлов: 1 из 4! Возможно, они открыты в "
                                                 "другой программе или защищены от записи."});
  ExpectFailurePage(ui);
}

// A package the download takes for whole: the split refuses it, and what it cut goes too.
// No server or an error page for the package is NetworkFaultTest's.
TEST_F(WorkerTest, ACutPackageEndsOnTheFailurePageAndLeavesNoFile) {
  std::string package = server.Root() + ResourcePath(Resource::Package);
  fs::resize_file(package, fs::file_size(package) - 100);
  Run(InstallWorker, PageInstalling);
  EXPECT_EQ(ui.Texts(), std::vector<std::string>{"File \"Setup_Xq_730K5_QZ_x64.zip\" is damaged!"});
  ExpectFailurePage(ui);
  EXPECT_EQ(FilesBelow(root.Path()), std::vector<std::string>{});  // neither in the root nor beside it
}

// A list that cannot be had is NetworkFaultTest's; this one arrives whole.
TEST_F(WorkerTest, RemovalThatCannotTrustItsListDeletesNothingAndStaysOnItsPage) {
  WriteFile(root / "outside.cfg", std::string("not the add-on's"));
  WriteFile(server.Root() + ResourcePath(Resource::FileList),
            std::string("Effects/fx.cfg\r\nEffects/../../outside.cfg\r\n"));
  Run(UninstallWorker, PageRemoving);
  EXPECT_EQ(ui.Texts(), std::vector<std::string>{"The file list holds an invalid path:\nEffects/../../outside.cfg"});
  EXPECT_EQ(g_page, PageRemoving);
  EXPECT_TRUE(Exists(root / "outside.cfg"));
}

TEST_F(WorkerTest, CancelDuringTheDownloadAbortsItAndTheCleanUpLeavesNothing) {
  JobHold point(ui, [](const std::string& entry) { return entry == "repaint page 6 phase 0"; });
  ASSERT_TRUE(Run(InstallWorker, PageInstalling, &point));

  ExpectCleanEnd();
  EXPECT_FALSE(g_cancelRequested);  // the abort answered it
  if (kEveryPieceReported || g_page == PageFailed) {
    EXPECT_EQ(ui.Texts(), (std::vector<std::string>{"Operation cancelled!",
                                                    "File: \"Setup_Xq_730K5_QZ_x64.zip\" cannot be downloaded!"}));
    ExpectFailurePage(ui);
  }
}

TEST_F(WorkerTest, CancelDuringUnpackingStopsTheDecodersAndNoTargetIsHalfWritten) {
  JobHold point(ui, [](const std::string& entry) { return entry.rfind("bar ", 0) == 0 && g_installPhase >= 1; });
  ASSERT_TRUE(Run(InstallWorker, PageInstalling, &point));

  ExpectCleanEnd();
  // Stopped decoders do not make a finished install; a cancel adds no message of its own.
  EXPECT_TRUE(sample.IdenticalListedFiles(sim) == sample.addon.listed.size() || g_page == PageFailed);
  EXPECT_TRUE(ui.Texts().empty());
}

TEST(DownloadAddressTest, EachDrawIsANewQueryFrom10To999AndTheRootBoundsThePath) {
  ResetInstallerState();
  std::set<int> numbers;
  for (int k = 0; k < 200; ++k) {
    ASSERT_TRUE(BuildDownloadAddresses());
    int number = std::stoi(g_rndQuery + 5);
    // The query with no leading zeros, the address built from it.
    EXPECT_EQ(std::string(g_downloadUrl), std::string(g_packageUrl) + "?rnd=" + std::to_string(number));
    numbers.insert(number);
  }
  EXPECT_GT(numbers.size(), 100u);
  EXPECT_TRUE(*numbers.begin() >= 10 && *numbers.rbegin() <= 999) << *numbers.begin() << ".." << *numbers.rbegin();

  // "/Setup_Xq_730K5_QZ_x64.zip" no longer fits. Where the package goes is CrashTest's (its
  // SIGTERM run waits for it in the root), that a path refused is cleared FileListTest's.
  std::snprintf(g_simRoot, sizeof g_simRoot, "%s", std::string(259 - 25, 'r').c_str());
  EXPECT_FALSE(BuildDownloadAddresses());
  ResetInstallerState();
}
