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
#include "support/test_env.h"
#include "vendor/sample_addon.h"
#include "vendor/server_tree.h"
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

// The bar positions of each install phase, told apart by the repaints between them.
std::vector<std::vector<int>> BarRunsByPhase(const std::vector<std::string>& log) {
  std::vector<std::vector<int>> runs(1);
  for (const std::string& entry : log) {
    if (entry.rfind("repaint page 6 phase ", 0) == 0 && entry != "repaint page 6 phase 0") runs.emplace_back();
    if (entry.rfind("bar ", 0) == 0) runs.back().push_back(std::stoi(entry.substr(4)));
  }
  return runs;
}

class WorkerTest : public ::testing::Test {
 protected:
  const ServedSample& sample = SampleOfSize(4u << 20);

  void SetUp() override {
    if (std::string reason = LocalServer::Unavailable(); !reason.empty()) GTEST_SKIP() << reason;
    ASSERT_TRUE(sample.addon.ok()) << sample.addon.error;
    CopyTree(sample.treeDir, server.Root());
    ASSERT_TRUE(server.Start()) << server.Error();
    StartState();
  }
  void TearDown() override { ResetInstallerState(); }

  // The state as the wizard leaves it when a job starts, with the server now in QZ_SERVER.
  void StartState() {
    ResetInstallerState();
    g_russian = false;
    fs::create_directories(sim);
    std::snprintf(g_simRoot, sizeof g_simRoot, "%s", sim.c_str());
  }

  void Run(void (*worker)(), Page page) {
    g_page = page;
    std::thread(worker).join();
  }

  // The install on its thread, with the window's Cancel confirmed when point is reached.
  static bool InstallCancelledAt(JobHold& point) {
    g_page = PageInstalling;
    std::thread job(InstallWorker);
    bool reached = point.Reached();  // a job that never gets there is not held either
    if (reached) CancelCleanUp();
    job.join();
    return reached;
  }

  std::string Installed(const std::string& entry) const { return sim + "/" + entry; }
  bool AllListedIdentical() const { return sample.IdenticalListedFiles(sim) == sample.addon.listed.size(); }
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

TEST_F(WorkerTest, InstallWritesEveryListedFileWithThreeBarRunsAndARepairRestoresThemButNotTheSettings) {
  Run(InstallWorker, PageInstalling);

  EXPECT_TRUE(AllListedIdentical());
  ExpectCleanEnd();
  EXPECT_TRUE(ui.Boxes().empty());

  // Download (the size text shown as it begins), unpacking, deletion, finished page.
  EXPECT_EQ(ui.Log("repaint"), (std::vector<std::string>{"repaint page 6 phase 0", "repaint page 6 phase 1",
                                                         "repaint page 6 phase 2", "repaint page 8 phase 2"}));
  EXPECT_TRUE(std::u16string(GetDownloadInfo().data()).ends_with(u" MB"));
  std::vector<std::vector<int>> runs = BarRunsByPhase(ui.Log());
  ASSERT_EQ(runs.size(), 3u);
  for (const std::vector<int>& run : runs) EXPECT_TRUE(std::is_sorted(run.begin(), run.end()));
  if (kEveryPieceReported) {
    ASSERT_FALSE(runs[0].empty());
    EXPECT_EQ(runs[0].back(), 1000);  // the download reaches the end only when complete
  }
  ASSERT_FALSE(runs[1].empty());
  EXPECT_EQ(runs[1].back(), 1000);  // every file decoded
  auto n = static_cast<int>(sample.addon.listed.size());
  ASSERT_FALSE(runs[2].empty());
  EXPECT_EQ(runs[2].front(), 0);
  EXPECT_EQ(runs[2].back(), (n - 1) * 1000 / n);

  std::vector<std::string> log = ui.Log();
  EXPECT_EQ(std::vector(log.end() - 4, log.end()),
            (std::vector<std::string>{"show Finish", "hide Cancel", "hide ProgressBar", "repaint page 8 phase 2"}));
  EXPECT_FALSE(g_cancelBlocked);

  const std::string own = "pilot's own";
  for (const std::string& user : sample.addon.unlisted) WriteFile(Installed(user), own);
  WriteFile(Installed(kSampleRequiredFiles[1]), std::string("damaged"));
  fs::remove(Installed(kSampleRequiredFiles[2]));

  StartState();
  Run(InstallWorker, PageInstalling);
  EXPECT_EQ(g_page, PageFinished);
  EXPECT_TRUE(AllListedIdentical());
  for (const std::string& user : sample.addon.unlisted) {
    EXPECT_EQ(ReadFile(Installed(user)), std::vector<std::uint8_t>(own.begin(), own.end())) << user;
  }
  ExpectCleanEnd();
}

TEST_F(WorkerTest, RemoveDeletesListedFilesAndTheFoldersTheyEmptiedOnlyAndCountsTheFilesThatStay) {
  // A small add-on of our own, so that every folder's fate is known.
  TempDir addon;
  for (const char* file : {"Effects/fx/a.bmp", "Effects/fx/b.bmp", "SimObjects/A/B/aircraft.cfg",
                           "gauges/Xq/RSBN_DAT.cfg", "gauges/Xq/user_settings.cfg"}) {
    WriteFile(addon / file, std::string("data of ") + file);
  }
  WriteFile(addon / kUnlistedIndexName, std::string("gauges/Xq/user_settings.cfg\r\n"));
  ASSERT_TRUE(PackServerTree(addon.Path(), server.Root()).ok());
  CopyTree(addon.Path(), sim);
  fs::remove(Installed("Effects/fx/b.bmp"));  // already gone: still counted
  // What a killed install leaves goes too, and keeps no folder.
  for (const char* left : {kPackageFileName, "Effects/fx/a.bmp.qzar", "SimObjects/A/B/aircraft.cfg.qznew"}) {
    WriteFile(Installed(left), std::string("left by a killed run"));
  }

  Run(UninstallWorker, PageRemoving);

  EXPECT_EQ(g_page, PageFinished);
  EXPECT_TRUE(ui.Boxes().empty());
  // Only the folder right above a file goes (the add-on's index of unlisted files was copied too).
  EXPECT_EQ(FilesBelow(sim, true), (std::vector<std::string>{"Effects", "SimObjects", "SimObjects/A", "gauges", "gauges/Xq",
                                                 "gauges/Xq/user_settings.cfg", kUnlistedIndexName}));
  EXPECT_EQ(ui.Log("bar "), (std::vector<std::string>{"bar 0", "bar 250", "bar 500", "bar 750"}));
  EXPECT_EQ(ui.Controls(), "shown: Finish");

  // A listed file that cannot be deleted (here a folder stands in its place) is counted.
  fs::remove_all(sim);
  CopyTree(addon.Path(), sim);
  fs::remove(Installed("Effects/fx/a.bmp"));
  WriteFile(Installed("Effects/fx/a.bmp/held"), std::string("held"));
  StartState();
  g_russian = true;
  RecordingUi stayed;
  Run(UninstallWorker, PageRemoving);
  EXPECT_EQ(stayed.Texts(), std::vector<std::string>{"Не удалось удалить файлов: 1 из 4! Возможно, они открыты в "
                                                     "другой программе или защищены от записи."});
  ExpectFailurePage(stayed);
  EXPECT_FALSE(Exists(Installed("SimObjects/A/B/aircraft.cfg")));
}

// An error page for the package is NetworkFaultTest's.
TEST_F(WorkerTest, InstallFailuresEndOnTheFailurePageWithTheirMessageAndLeaveNothing) {
  struct Case {
    const char* name;
    std::string server;
    const char* message;  // the last box
  };
  const Case cases[] = {
      {"server down, in Russian", LocalServer::ClosedUrl(), "Файл: \"Setup_Xq_730K5_QZ_x64.zip\" не скачать!"},
      {"package truncated", server.BaseUrl(), "File \"Setup_Xq_730K5_QZ_x64.zip\" is damaged!"},
  };
  std::string package = server.Root() + ResourcePath(Resource::Package);
  fs::resize_file(package, fs::file_size(package) - 100);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScopedEnv pointed("QZ_SERVER", c.server);
    StartState();
    g_russian = &c == &cases[0];
    RecordingUi local;
    Run(InstallWorker, PageInstalling);

    ASSERT_FALSE(local.Texts().empty());
    EXPECT_EQ(local.Texts().back(), c.message);
    ExpectFailurePage(local);
    ExpectCleanEnd();
    std::vector<std::string> beside;
    for (const auto& item : fs::directory_iterator(root.Path())) beside.push_back(item.path().filename().string());
    EXPECT_EQ(beside, std::vector<std::string>{"sim"});
  }
}

// A list that cannot be had is NetworkFaultTest's; this one arrives whole.
TEST_F(WorkerTest, RemovalThatCannotTrustItsListDeletesNothingAndStaysOnItsPage) {
  WriteFile(root / "outside.cfg", std::string("not the add-on's"));
  WriteFile(server.Root() + ResourcePath(Resource::FileList),
            std::string("Effects/fx.cfg\r\nEffects/../../outside.cfg\r\n"));
  CopyTree(sample.addonDir, sim);
  Run(UninstallWorker, PageRemoving);
  EXPECT_EQ(ui.Texts(), std::vector<std::string>{"The file list holds an invalid path:\nEffects/../../outside.cfg"});
  EXPECT_EQ(g_page, PageRemoving);
  EXPECT_TRUE(ui.Log("bar ").empty());
  EXPECT_TRUE(Exists(root / "outside.cfg"));
  EXPECT_TRUE(AllListedIdentical());
}

TEST_F(WorkerTest, CancelDuringTheDownloadAbortsItAndTheCleanUpLeavesNothing) {
  JobHold point(ui, [](const std::string& entry) { return entry == "repaint page 6 phase 0"; });
  ASSERT_TRUE(InstallCancelledAt(point));

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
  ASSERT_TRUE(InstallCancelledAt(point));

  ExpectCleanEnd();
  // Stopped decoders do not make a finished install; a cancel adds no message of its own.
  EXPECT_TRUE(AllListedIdentical() || g_page == PageFailed);
  EXPECT_TRUE(ui.Texts().empty());
}

TEST(DownloadAddressTest, EachDrawIsANewQueryFrom10To999AndTheRootBoundsThePath) {
  ResetInstallerState();
  std::set<std::string> queries;
  for (int k = 0; k < 200; ++k) {
    ASSERT_TRUE(BuildDownloadAddresses());
    std::string query = g_rndQuery;
    int number = std::stoi(query.substr(5));
    EXPECT_EQ(query, "?rnd=" + std::to_string(number));  // no leading zeros
    EXPECT_TRUE(number >= 10 && number <= 999) << query;
    EXPECT_EQ(std::string(g_downloadUrl), std::string(g_packageUrl) + query);
    queries.insert(query);
  }
  EXPECT_GT(queries.size(), 100u);
  EXPECT_EQ(std::string(g_packagePath), std::string(kDefaultSimRoot) + "/Setup_Xq_730K5_QZ_x64.zip");

  std::string longRoot(259 - 25, 'r');  // "/Setup_Xq_730K5_QZ_x64.zip" no longer fits
  std::snprintf(g_simRoot, sizeof g_simRoot, "%s", longRoot.c_str());
  EXPECT_FALSE(BuildDownloadAddresses());
  EXPECT_EQ(g_packagePath[0], '\0');
  ResetInstallerState();
}
