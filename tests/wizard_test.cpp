// The wizard's page machine driven as a user drives the window, against qz serve over
// HTTPS with the sample add-on: every transition, then jobs started from the pages.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <sstream>
#include <thread>

#include "app/state.h"
#include "online/server.h"
#include "platform/env.h"
#include "support/job_hold.h"
#include "support/local_server.h"
#include "support/recording_ui.h"
#include "support/served_sample.h"
#include "support/temp_dir.h"
#include "support/test_env.h"
#include "support/text.h"
#include "wizard/disk_space.h"
#include "wizard/folder.h"
#include "wizard/page_machine.h"
#include "wizard/version_check.h"
#include "workers/cleanup.h"

namespace fs = std::filesystem;

namespace {
class WizardTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (std::string reason = LocalServer::Unavailable(); !reason.empty()) GTEST_SKIP() << reason;
    ASSERT_TRUE(sample.addon.ok()) << sample.addon.error;
    ASSERT_TRUE(server.Start()) << server.Error();
    SetVersionOverridePath(overridePath);  // test processes running side by side share no file
    NewRun(false);
  }
  void TearDown() override {
    WaitForJob();  // the port goes with the fixture, after the state is reset
    ResetInstallerState();
    SetVersionOverridePath("");
  }

  // A fresh start of the program, with an empty simulator folder and the sample served:
  // state, window and language.
  void NewRun(bool russian) {
    ui.reset();
    ResetInstallerState();
    g_russian = russian;
    CopyTree(sample.treeDir, server.Root());
    Serve(Resource::FilesSize, "12000000");
    fs::remove_all(sim);
    fs::create_directories(sim);
    fs::remove(overridePath);
    std::snprintf(g_simRoot, sizeof g_simRoot, "%s", sim.c_str());
    ui = std::make_unique<RecordingUi>();
    ui->CreateControls();
  }

  void Serve(Resource resource, const std::string& text) { WriteFile(server.Root() + ResourcePath(resource), text); }

  // A click as the platform delivers it: an auto radio button checks itself and
  // unchecks its partner before the command arrives.
  void Click(Control control) {
    for (auto [one, other] :
         {std::pair{Control::Accept, Control::Reject}, std::pair{Control::Repair, Control::Remove}}) {
      if (control != one && control != other) continue;
      ui->CheckControl(one, control == one);
      ui->CheckControl(other, control == other);
    }
    EXPECT_EQ(OnCommand(static_cast<int>(control)), Handling::Done);
  }
  // Words for a user's steps: a control's name clicks it; "folder" goes to the folder
  // page and "maintenance" through it with a marker in the root; "version:R" runs the
  // version check with R served, after "override:N" made an override file of N bytes;
  // "offline" closes the server from here on, "elsewhere" changes to a folder without
  // the add-on.
  void Do(const std::string& words) {
    std::istringstream in(words);
    for (std::string word; in >> word;) {
      if (word == "folder") {
        Do("Next Next Accept Next");
      } else if (word == "maintenance") {
        WriteFile(sim + kMarkerSuffixes[0], std::string("[RSBN]"));
        Do("folder Next");
      } else if (word.rfind("version:", 0) == 0) {
        Serve(Resource::LauncherVersion, word.substr(8));
        CheckInstallerVersion();
      } else if (word.rfind("override:", 0) == 0) {
        WriteFile(overridePath, std::string(std::stoul(word.substr(9)), 'x'));
      } else if (word == "offline") {
        SetEnvironment("QZ_SERVER", true, LocalServer::ClosedUrl());
      } else if (word == "elsewhere") {
        ui->PickFolder(dir / "Other");
        Click(Control::Change);
      } else {
        Click(ControlNamed(word));
      }
    }
  }

  // A started job runs on a thread nobody joins; it is over once it has painted its last
  // page, the finished (8) or the failed one (9).
  bool WaitForJob() {
    auto over = [&] { return !ui->Log("repaint page 8").empty() || !ui->Log("repaint page 9").empty(); };
    if (!ui || ui->Log("show ProgressBar").empty()) return true;
    for (int i = 0; i < 120000 && !over(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));  // the worker returns
    return over();
  }

  const ServedSample& sample = SampleOfSize(1u << 20);
  TempDir dir;
  std::string sim = dir / "P3D";
  std::string overridePath = dir / "Test for QZ Projects.qz";
  LocalServer server;
  std::unique_ptr<RecordingUi> ui;
};
}  // namespace

// A size text that is no number leaves the licence page the closed server's way, and a
// damaged package ends like any failed install: the network fault and worker tests show
// their messages. The network fault tests also read the welcome page's model version line,
// whose four bytes are read beside the pages.
TEST_F(WizardTest, EveryTransitionShowsItsControlsAndMessages) {
  const std::string licence = "shown: LicenceText Next Back Cancel Accept Reject Print";
  const std::string folder = "shown: Next Back Cancel Change FolderGroup | checked: Accept";
  const std::string maintenance = "shown: Next Back Cancel Repair Remove | disabled: Next | checked: Accept";
  const std::string install = "shown: Install Back Cancel | checked: Accept";
  const std::string host = server.BaseUrl().substr(server.BaseUrl().find("://") + 3);
  const std::string offlineEn = "No internet connection!", offlineRu = "Нет подключения к интернету!";
  const std::string outdatedEn = "The installer is outdated, please download the new version from " + host + "!";
  const std::string outdatedRu = "Установщик устарел, пожалуйста, скачайте новую версию на сайте: " + host + "!";
  const std::string welcome = "shown: Next Back Cancel | checked: Reject";
  const std::string outdated = "shown: Finish Cancel | checked: Reject";
  const struct {
    const char* steps;  // as Do() takes them
    Page page;
    std::string controls;  // as RecordingUi::Controls() shows them
    std::string boxEnglish = "", boxRussian = "";
  } kTable[] = {
      // Our version is 1100: only its exact four characters or an override of 8 bytes pass, and
      // a reply that does not start with a digit is no verdict. The verdict shows only on Next.
      {"version:1200 Next", PageFailed, outdated, outdatedEn, outdatedRu},
      {"version:1100 Next", PageWelcome, welcome},
      {"version:<html> Next", PageWelcome, welcome},
      {"version:-110 Next", PageWelcome, welcome},
      {"override:8 version:1200 Next", PageWelcome, welcome},
      {"override:7 version:1200 Next", PageFailed, outdated, outdatedEn, outdatedRu},
      {"override:9 version:1200 Next", PageFailed, outdated, outdatedEn, outdatedRu},
      {"offline Next", PageFailed, "shown: Finish | checked: Reject", offlineEn, offlineRu},
      {"Back", PageSplash, "shown: Next Cancel | checked: Reject"},  // Back on the splash only repaints
      {"Next Back", PageSplash, "shown: Next Cancel | checked: Reject"},
      {"Next Next", PageLicence, licence + " | disabled: Next | checked: Reject"},
      {"Next Next Back", PageWelcome, welcome},
      {"Next Next Accept", PageLicence, licence + " | checked: Accept"},
      {"Next Next Accept Reject", PageLicence, licence + " | disabled: Next | checked: Reject"},
      {"Next Next Accept Back Next", PageLicence, licence + " | checked: Accept"},
      {"Next Next Accept offline Next", PageFailed, "shown: Finish | checked: Accept", offlineEn, offlineRu},
      {"folder", PageFolder, folder},
      {"folder Back", PageLicence, licence + " | checked: Accept"},
      {"folder Next", PageReady, install},
      {"folder Next Next", PageReady, install},  // Next on the ready page only repaints
      {"folder Next Back", PageFolder, folder},
      {"maintenance", PageMaintenance, maintenance},
      {"maintenance Back", PageFolder, folder},
      // A choice enables Next: the ready page shows it no longer disabled.
      {"maintenance Repair Next", PageReady, "shown: Install Back Cancel | checked: Accept Repair"},
      {"maintenance Remove Next", PageReady, "shown: Delete Back Cancel | checked: Accept Remove"},
      {"maintenance Remove Next Back", PageMaintenance, maintenance},  // both choices unchecked again
      {"maintenance Remove Back elsewhere Next", PageReady, install},  // an install, not a removal
  };
  for (const auto& row : kTable) {
    // The controls do not depend on the language; the messages are shown in both.
    for (bool russian : {false, true}) {
      if (russian && row.boxEnglish.empty()) continue;
      SCOPED_TRACE(std::string(row.steps) + (russian ? " (ru)" : ""));
      ScopedEnv keepServer("QZ_SERVER", server.BaseUrl());
      NewRun(russian);
      Do(row.steps);
      EXPECT_EQ(g_page, row.page);
      EXPECT_EQ(ui->Controls(), row.controls);
      EXPECT_EQ(ui->Texts(), row.boxEnglish.empty() ? std::vector<std::string>{}
                                                    : std::vector{russian ? row.boxRussian : row.boxEnglish});
      for (const MessageBoxRequest& box : ui->Boxes()) {
        EXPECT_EQ(std::tie(box.flags, box.owner, box.caption),
                  std::make_tuple(unsigned{kMbIconExclamation}, BoxOwner::MainWindow, "Xq-730 QZ Installer v1.1"));
      }
    }
  }
}

// Which messages go on to the window's default procedure matters only for painting,
// which the real window's pages show.
TEST_F(WizardTest, TheTimerRestsTheTaskbarAndCancelOrTheCloseBoxAskFirstAndOnlyCancelDeletesThePackage) {
  const std::string package = sim + "/Setup_Xq_730K5_QZ_x64.zip";
  auto outcome = [&] {  // cancelled, the taskbar's state, windows destroyed, the package kept
    return std::make_tuple(g_cancelRequested.load(), g_taskbarState.load(), ui->Log("destroy").size(), Exists(package));
  };
  for (bool close : {false, true}) {
    SCOPED_TRACE(close ? "close box" : "Cancel");
    NewRun(!close);
    WriteFile(package, std::string("partial"));
    std::snprintf(g_packagePath, sizeof g_packagePath, "%s", package.c_str());
    g_taskbarState = 3;  // a download that has ended: the timer's tick puts the taskbar to rest, and no more
    EXPECT_EQ(WizardMessage(kWmTimer, 1), Handling::Done);
    EXPECT_EQ(std::make_tuple(g_taskbarState.load(), ui->Log()), std::make_tuple(0, std::vector<std::string>{}));
    g_taskbarState = 2;  // the download's taskbar display is running
    ui->Answer(kIdCancel);
    auto ask = [close] {
      EXPECT_EQ(WizardMessage(close ? kWmClose : kWmCommand, static_cast<int>(Control::Cancel)), Handling::Done);
    };
    ask();
    // The final deletion begins while the question is up: the answer comes too late.
    ui->OnEntry([](const std::string& entry) { g_cancelBlocked = g_cancelBlocked || entry.rfind("box ", 0) == 0; });
    ask();
    ui->OnEntry(nullptr);
    g_cancelBlocked = false;
    EXPECT_EQ(outcome(), std::make_tuple(false, 2, std::size_t{0}, true));
    ask();
    EXPECT_EQ(outcome(), std::make_tuple(true, 0, std::size_t{1}, close));
    EXPECT_EQ(ui->Texts(), std::vector<std::string>(3, close ? "Cancel installation?" : "Отменить установку?"));
    EXPECT_EQ(std::make_tuple(ui->Boxes().back().flags, ui->Boxes().back().owner),
              std::make_tuple(unsigned{kMbOkCancel | kMbIconQuestion}, BoxOwner::MainWindow));
  }
}

TEST_F(WizardTest, InstallRunsToTheFinishedPageAndNothingClosesItWhileTheTemporariesGo) {
  Do("folder Next");
  std::atomic<bool> release{false};
  JobHold hold(
      *ui, [](const std::string& entry) { return entry.rfind("bar ", 0) == 0 && g_cancelBlocked; },
      [&] { return release.load(); });
  Click(Control::Install);
  EXPECT_EQ(ui->Controls(), "shown: ProgressBar Cancel | checked: Accept");
  ASSERT_TRUE(hold.Reached());
  EXPECT_EQ(WizardMessage(kWmClose, 0), Handling::Done);
  Click(Control::Cancel);
  release = true;
  ASSERT_TRUE(WaitForJob());
  EXPECT_EQ(std::make_tuple(g_page.load(), ui->Controls(), ui->Texts(), g_cancelRequested.load()),
            std::make_tuple(PageFinished, "shown: Finish | checked: Accept", std::vector<std::string>{}, false));
  EXPECT_EQ(sample.IdenticalListedFiles(sim), sample.addon.listed.size());
  Click(Control::Finish);  // the only destruction: nothing before it closed the window
  EXPECT_EQ(ui->Log("destroy").size(), 1u);
}

TEST_F(WizardTest, CancelDuringARemovalClosesTheWindowAfterItsPause) {
  Do("maintenance Remove Next");
  JobHold hold(*ui, [](const std::string& entry) { return entry.rfind("bar ", 0) == 0; });
  Click(Control::Delete);
  EXPECT_EQ(g_page, PageRemoving);
  ASSERT_TRUE(hold.Reached());
  auto start = std::chrono::steady_clock::now();
  Click(Control::Cancel);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(kCancelWaitMs));
  EXPECT_EQ(ui->Log("destroy").size(), 1u);
  ASSERT_TRUE(WaitForJob());
}

// ---- The parts the page machine calls that read the server.

// A size text it refuses ends as a closed server does; the network fault tests show that.
TEST_F(WizardTest, DiskSpaceLinesFromTheSizeFileAndTheRootsDrive) {
  // The size NewRun serves, and the free space of a root that does not exist yet is that
  // of the folder it will be made in.
  std::snprintf(g_simRoot, sizeof g_simRoot, "%s/not/made/yet", sim.c_str());
  ASSERT_EQ(ReportDiskSpace(), DiskSpaceResult::Done);
  EXPECT_EQ(Utf8(g_spaceRequiredLine), "Disk space required: 12 MB");
  EXPECT_NEAR(static_cast<double>(g_spaceAvailable), static_cast<double>(fs::space(sim).available), 64e6);
  EXPECT_EQ(ui->Log("repaint").size(), 1u);
}
