// The wizard's page machine driven as a user drives the window, against qz serve over
// HTTPS with the sample add-on: every transition in both languages, then whole runs.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <thread>

#include "app/size_text.h"
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
#include "wizard/page_drawing.h"
#include "wizard/page_machine.h"
#include "wizard/version_check.h"
#include "workers/cleanup.h"

namespace fs = std::filesystem;

namespace {
constexpr std::uint64_t kSampleBytes = 1u << 20;

class WizardTest : public ::testing::Test {
 public:  // the transition table's steps drive the fixture
  void SetUp() override {
    if (std::string reason = LocalServer::Unavailable(); !reason.empty()) GTEST_SKIP() << reason;
    ASSERT_TRUE(sample.addon.ok()) << sample.addon.error;
    CopyTree(sample.treeDir, server.Root());
    Serve(Resource::FilesSize, "12000000");
    ASSERT_TRUE(server.Start()) << server.Error();
    NewRun(false);
  }
  void TearDown() override {
    WaitForJob();
    ui.reset();
    ResetInstallerState();
  }

  // A fresh start of the program: state, window and language.
  void NewRun(bool russian) {
    WaitForJob();
    ui.reset();
    ResetInstallerState();
    g_russian = russian;
    fs::create_directories(sim);
    std::snprintf(g_simRoot, sizeof g_simRoot, "%s", sim.c_str());
    ui = std::make_unique<RecordingUi>();
    ui->CreateControls();
  }

  void Serve(Resource resource, const std::string& content) {
    WriteFile(server.Root() + ResourcePath(resource), content);
  }
  void AddMarker() { WriteFile(sim + kMarkerSuffixes[0], std::string("[RSBN]")); }
  std::string Installed(const std::string& entry) const { return sim + "/" + entry; }

  // A click as the platform delivers it: an auto radio button checks itself and
  // unchecks its partner before the command arrives.
  void Click(Control control) {
    static const std::map<Control, Control> kPartner = {{Control::Accept, Control::Reject},
                                                        {Control::Reject, Control::Accept},
                                                        {Control::Repair, Control::Remove},
                                                        {Control::Remove, Control::Repair}};
    if (auto partner = kPartner.find(control); partner != kPartner.end()) {
      ui->CheckControl(control, true);
      ui->CheckControl(partner->second, false);
    }
    EXPECT_EQ(OnCommand(static_cast<int>(control)), Handling::Done);
  }
  void ToFolderPage() {
    Click(Control::Next);
    Click(Control::Next);
    Click(Control::Accept);
    Click(Control::Next);
  }
  void ToMaintenancePage() {
    AddMarker();
    ToFolderPage();
    Click(Control::Next);
  }

  // A started job runs on a thread nobody joins; it is over once it has painted its last page.
  bool WaitForJob() {
    if (!ui || (g_page != PageInstalling && g_page != PageRemoving && ui->Log("repaint page 6").empty() &&
                ui->Log("repaint page 7").empty())) {
      return true;
    }
    for (int i = 0; i < 120000; ++i) {
      if (!ui->Log("repaint page 8").empty() || !ui->Log("repaint page 9").empty()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));  // the worker returns
        return true;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return false;
  }

  std::size_t IdenticalListedFiles() const { return sample.IdenticalListedFiles(sim); }

  const ServedSample& sample = SampleOfSize(kSampleBytes);
  TempDir dir;
  std::string sim = dir / "P3D";
  LocalServer server;
  std::unique_ptr<RecordingUi> ui;
};

struct Transition {
  const char* name;
  std::function<void(WizardTest&)> steps;
  Page page;
  const char* controls;  // as RecordingUi::Controls() shows them
  const char* boxEnglish = nullptr;
  const char* boxRussian = nullptr;
};

}  // namespace

TEST_F(WizardTest, EveryTransitionShowsItsControlsAndMessagesInBothLanguages) {
  const char* kLicence = "shown: LicenceText Next Back Cancel Accept Reject Print";
  const char* kFolder = "shown: Next Back Cancel Change FolderGroup | checked: Accept";
  const char* kMaintenance = "shown: Next Back Cancel Repair Remove | disabled: Next | checked: Accept";
  std::string host = server.BaseUrl().substr(server.BaseUrl().find("://") + 3);
  std::string outdatedEn = "The installer is outdated, please download the new version from " + host + "!";
  std::string outdatedRu = "Установщик устарел, пожалуйста, скачайте новую версию на сайте: " + host + "!";
  using T = WizardTest;
  const Transition kTable[] = {
      {"0 Next, outdated",
       [](T& t) {
         t.Serve(Resource::LauncherVersion, "1200");
         CheckInstallerVersion();
         t.Click(Control::Next);
       },
       PageFailed, "shown: Finish Cancel | checked: Reject", outdatedEn.c_str(), outdatedRu.c_str()},
      {"0 Next, no connection",
       [](T& t) {
         SetEnvironment("QZ_SERVER", true, LocalServer::ClosedUrl());
         t.Click(Control::Next);
       },
       PageFailed, "shown: Finish | checked: Reject", "No internet connection!", "Нет подключения к интернету!"},
      {"0 Next", [](T& t) { t.Click(Control::Next); }, PageWelcome, "shown: Next Back Cancel | checked: Reject"},
      {"1 Back", [](T& t) { t.Click(Control::Next), t.Click(Control::Back); }, PageSplash,
       "shown: Next Cancel | checked: Reject"},
      {"1 Next", [](T& t) { t.Click(Control::Next), t.Click(Control::Next); }, PageLicence,
       "shown: LicenceText Next Back Cancel Accept Reject Print | disabled: Next | checked: Reject"},
      {"2 Accept", [](T& t) { t.Click(Control::Next), t.Click(Control::Next), t.Click(Control::Accept); }, PageLicence,
       "shown: LicenceText Next Back Cancel Accept Reject Print | checked: Accept"},
      {"2 Reject after Accept",
       [](T& t) { t.Click(Control::Next), t.Click(Control::Next), t.Click(Control::Accept), t.Click(Control::Reject); },
       PageLicence, "shown: LicenceText Next Back Cancel Accept Reject Print | disabled: Next | checked: Reject"},
      {"2 Back after Accept, then Next again",
       [](T& t) {
         t.Click(Control::Next), t.Click(Control::Next), t.Click(Control::Accept);
         t.Click(Control::Back), t.Click(Control::Next);
       },
       PageLicence, "shown: LicenceText Next Back Cancel Accept Reject Print | checked: Accept"},
      {"2 Next, size text not starting with 1",
       [](T& t) {
         t.Serve(Resource::FilesSize, "950000000");
         t.ToFolderPage();
       },
       PageFailed, "shown: Finish | checked: Accept", "File \"Size\" not found!", "Файл \"Size\" не найден!"},
      {"2 Next, no connection",
       [](T& t) {
         t.Click(Control::Next), t.Click(Control::Next), t.Click(Control::Accept);
         SetEnvironment("QZ_SERVER", true, LocalServer::ClosedUrl());
         t.Click(Control::Next);
       },
       PageFailed, "shown: Finish | checked: Accept", "No internet connection!", "Нет подключения к интернету!"},
      {"2 Next", [](T& t) { t.ToFolderPage(); }, PageFolder, kFolder},
      {"3 Back", [](T& t) { t.ToFolderPage(), t.Click(Control::Back); }, PageLicence,
       "shown: LicenceText Next Back Cancel Accept Reject Print | checked: Accept"},
      {"3 Next, no marker", [](T& t) { t.ToFolderPage(), t.Click(Control::Next); }, PageReady,
       "shown: Install Back Cancel | checked: Accept"},
      {"3 Next, a marker", [](T& t) { t.ToMaintenancePage(); }, PageMaintenance, kMaintenance},
      {"4 Repair", [](T& t) { t.ToMaintenancePage(), t.Click(Control::Repair); }, PageMaintenance,
       "shown: Next Back Cancel Repair Remove | checked: Accept Repair"},
      {"4 Repair, Next", [](T& t) { t.ToMaintenancePage(), t.Click(Control::Repair), t.Click(Control::Next); },
       PageReady, "shown: Install Back Cancel | checked: Accept Repair"},
      {"4 Remove, Next", [](T& t) { t.ToMaintenancePage(), t.Click(Control::Remove), t.Click(Control::Next); },
       PageReady, "shown: Delete Back Cancel | checked: Accept Remove"},
      {"4 Back", [](T& t) { t.ToMaintenancePage(), t.Click(Control::Back); }, PageFolder, kFolder},
      {"5 Back, no marker", [](T& t) { t.ToFolderPage(), t.Click(Control::Next), t.Click(Control::Back); }, PageFolder,
       kFolder},
      {"5 Back, a marker: both choices unchecked again",
       [](T& t) {
         t.ToMaintenancePage(), t.Click(Control::Remove), t.Click(Control::Next);
         t.Click(Control::Back);
       },
       PageMaintenance, kMaintenance},
      {"5 Next only repaints", [](T& t) { t.ToFolderPage(), t.Click(Control::Next), t.Click(Control::Next); },
       PageReady, "shown: Install Back Cancel | checked: Accept"},
  };
  for (bool russian : {false, true}) {
    for (const Transition& row : kTable) {
      SCOPED_TRACE(std::string(row.name) + (russian ? " (ru)" : " (en)"));
      ScopedEnv keepServer("QZ_SERVER", server.BaseUrl());
      if (fs::exists(sim)) fs::remove_all(sim);
      Serve(Resource::FilesSize, "12000000");
      NewRun(russian);
      row.steps(*this);
      EXPECT_EQ(g_page, row.page);
      EXPECT_EQ(ui->Controls(), row.controls) << kLicence;
      std::vector<MessageBoxRequest> boxes = ui->Boxes();
      ASSERT_EQ(boxes.size(), row.boxEnglish ? 1u : 0u);
      if (row.boxEnglish) {
        EXPECT_EQ(boxes[0].text, russian ? row.boxRussian : row.boxEnglish);
        EXPECT_EQ(boxes[0].flags, unsigned{kMbIconExclamation});
        EXPECT_EQ(boxes[0].owner, BoxOwner::MainWindow);
        EXPECT_EQ(boxes[0].caption, "Xq-730 QZ Installer v1.1");
      }
      EXPECT_EQ(ui->Log("destroy").size(), 0u);
    }
  }
}

TEST_F(WizardTest, WelcomePageShowsTheModelVersionFromItsFourBytes) {
  const std::pair<const char*, const char*> kCases[] = {{"1200", "v1.2"},   {"1234", "v1.234"}, {"1000", "v1.0"},
                                                        {"1203", "v1.203"}, {"12", "v1.2"},     {"", "v"}};
  for (auto [bytes, shown] : kCases) {
    Serve(Resource::ModelVersion, bytes);
    NewRun(false);
    Click(Control::Next);
    EXPECT_EQ(Utf8(g_modelVersionLine), std::string("Model version being installed: ") + shown) << bytes;
  }
  NewRun(true);
  Click(Control::Next);
  EXPECT_EQ(Utf8(g_modelVersionLine), "Устанавливаемая версия модели: v");
}

TEST_F(WizardTest, MessagesOutsideTheHandledSetGoToTheDefaultProcedure) {
  EXPECT_EQ(WizardMessage(kWmKeyDown, 0), Handling::Done);
  EXPECT_EQ(WizardMessage(kWmCommand, 10110), Handling::Default);  // inside the range, no handler
  EXPECT_EQ(WizardMessage(kWmCommand, 0), Handling::Default);      // the licence box and the bar
  EXPECT_EQ(WizardMessage(kWmCommand, 10270), Handling::Default);
  EXPECT_EQ(WizardMessage(0x0F, 0), Handling::Default);  // painting belongs to the window
  EXPECT_TRUE(ui->Log().empty());
  EXPECT_EQ(WizardMessage(kWmCommand, static_cast<int>(Control::Back)), Handling::Done);
  EXPECT_EQ(ui->Log(), std::vector<std::string>{"repaint page 0 phase 0"});  // Back on page 0 only repaints
  g_taskbarState = 3;  // the download has ended: the timer's step puts it back to rest
  EXPECT_EQ(WizardMessage(kWmTimer, 1), Handling::Done);
  EXPECT_EQ(g_taskbarState, 0);
}

TEST_F(WizardTest, InstallRepairAndRemoveThroughThePages) {
  ToFolderPage();
  EXPECT_EQ(Utf8(g_spaceRequiredLine), "Disk space required: 12 MB");
  Click(Control::Next);
  Click(Control::Install);
  EXPECT_EQ(ui->Controls(), "shown: ProgressBar Cancel | checked: Accept");
  ASSERT_TRUE(WaitForJob());
  EXPECT_EQ(g_page, PageFinished);
  EXPECT_EQ(ui->Controls(), "shown: Finish | checked: Accept");
  EXPECT_EQ(IdenticalListedFiles(), sample.addon.listed.size());
  EXPECT_EQ(DrawPage()[1].text, u"\"Xq-730 QZ Installer\"\nfinished installation");
  Click(Control::Finish);
  EXPECT_EQ(ui->Log("destroy").size(), 1u);

  const std::string damaged = Installed(sample.addon.listed.back());
  WriteFile(damaged, std::string("damaged"));
  NewRun(true);
  ToMaintenancePage();
  Click(Control::Repair);
  Click(Control::Next);
  Click(Control::Install);
  ASSERT_TRUE(WaitForJob());
  EXPECT_EQ(g_page, PageFinished);
  EXPECT_EQ(IdenticalListedFiles(), sample.addon.listed.size());

  NewRun(false);
  ToMaintenancePage();
  Click(Control::Remove);
  Click(Control::Next);
  Click(Control::Delete);
  EXPECT_EQ(g_page, PageRemoving);
  ASSERT_TRUE(WaitForJob());
  EXPECT_EQ(g_page, PageFinished);
  EXPECT_EQ(IdenticalListedFiles(), 0u);
  EXPECT_FALSE(IsAddonInstalled());
  EXPECT_EQ(DrawPage()[1].text, u"\"Xq-730 QZ Installer\"\ncompleted removal");
}

TEST_F(WizardTest, CancelAsksOnEveryPageWhereItIsShownAndClosesOnlyOnOk) {
  using T = WizardTest;
  const std::pair<Page, std::function<void(T&)>> kPages[] = {
      {PageSplash, [](T&) {}},
      {PageWelcome, [](T& t) { t.Click(Control::Next); }},
      {PageLicence, [](T& t) { t.Click(Control::Next), t.Click(Control::Next); }},
      {PageFolder, [](T& t) { t.ToFolderPage(); }},
      {PageMaintenance, [](T& t) { t.ToMaintenancePage(); }},
      {PageReady, [](T& t) { t.ToFolderPage(), t.Click(Control::Next); }},
      {PageFailed, [](T& t) { g_installerOutdated = true, t.Click(Control::Next); }},
  };
  for (const auto& [page, steps] : kPages) {
    SCOPED_TRACE(page);
    fs::remove_all(sim);
    NewRun(page == PageFolder);
    steps(*this);
    ASSERT_EQ(g_page, page);
    ASSERT_TRUE(ui->Visible(Control::Cancel));
    std::size_t boxesBefore = ui->Boxes().size();
    ui->Answer(kIdCancel);
    Click(Control::Cancel);
    EXPECT_EQ(ui->Log("destroy").size(), 0u);
    EXPECT_FALSE(g_cancelRequested);
    Click(Control::Cancel);
    EXPECT_EQ(ui->Log("destroy").size(), 1u);
    EXPECT_TRUE(g_cancelRequested);
    std::vector<MessageBoxRequest> boxes = ui->Boxes();
    ASSERT_EQ(boxes.size(), boxesBefore + 2);
    EXPECT_EQ(boxes.back().text, page == PageFolder ? "Отменить установку?" : "Cancel installation?");
    EXPECT_EQ(boxes.back().flags, unsigned{kMbOkCancel | kMbIconQuestion});
    EXPECT_EQ(boxes.back().owner, BoxOwner::MainWindow);
  }
}

TEST_F(WizardTest, CancelDuringTheDownloadAbortsItAndLeavesNoPackage) {
  ToFolderPage();
  Click(Control::Next);
  std::thread::id window = std::this_thread::get_id();
  // The worker's own first report of the download, not the window's repaint on Install.
  JobHold hold(*ui, [window](const std::string& entry) {
    return std::this_thread::get_id() != window && g_installPhase == 0 &&
           (entry.rfind("bar ", 0) == 0 || entry.rfind("repaint", 0) == 0);
  });
  Click(Control::Install);
  ASSERT_TRUE(hold.Reached());
  Click(Control::Cancel);
  EXPECT_EQ(ui->Log("destroy").size(), 1u);
  EXPECT_FALSE(Exists(sim + "/Setup_Xq_730K5_QZ_x64.zip"));
  ASSERT_TRUE(WaitForJob());
  EXPECT_FALSE(Exists(sim + "/Setup_Xq_730K5_QZ_x64.zip"));
#ifndef _WIN32  // Wine's URL monikers finish a transfer whose data is all in before they act on an abort
  EXPECT_EQ(g_page, PageFailed);
#endif
  if (g_page == PageFailed) {
    EXPECT_EQ(IdenticalListedFiles(), 0u);
  }
}

TEST_F(WizardTest, CancelDuringARemovalClosesTheWindowAfterItsPause) {
  ToMaintenancePage();
  Click(Control::Remove);
  Click(Control::Next);
  JobHold hold(*ui, [](const std::string& entry) { return entry.rfind("bar ", 0) == 0; });
  Click(Control::Delete);
  ASSERT_TRUE(hold.Reached());
  auto start = std::chrono::steady_clock::now();
  Click(Control::Cancel);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(kCancelWaitMs));
  EXPECT_EQ(ui->Log("destroy").size(), 1u);
  ASSERT_TRUE(WaitForJob());
}

TEST_F(WizardTest, CloseBoxAndCancelDoNothingWhileTheTemporariesAreDeleted) {
  ToFolderPage();
  Click(Control::Next);
  std::atomic<bool> release{false};
  JobHold hold(
      *ui, [](const std::string& entry) { return entry.rfind("bar ", 0) == 0 && g_cancelBlocked; },
      [&] { return release.load(); });
  Click(Control::Install);
  ASSERT_TRUE(hold.Reached());
  EXPECT_TRUE(g_cancelBlocked);
  EXPECT_EQ(WizardMessage(kWmClose, 0), Handling::Done);
  Click(Control::Cancel);
  release = true;
  ASSERT_TRUE(WaitForJob());
  EXPECT_TRUE(ui->Boxes().empty());
  EXPECT_EQ(ui->Log("destroy").size(), 0u);
  EXPECT_FALSE(g_cancelRequested);
  EXPECT_EQ(g_page, PageFinished);
}

TEST_F(WizardTest, CloseBoxAsksThenStopsTheJobAndClosesWithoutDeleting) {
  WriteFile(sim + "/Setup_Xq_730K5_QZ_x64.zip", std::string("partial"));
  std::snprintf(g_packagePath, sizeof g_packagePath, "%s/Setup_Xq_730K5_QZ_x64.zip", sim.c_str());
  g_taskbarState = 2;  // the download's taskbar display is running
  ui->Answer(kIdCancel);
  OnClose();
  EXPECT_FALSE(g_cancelRequested);
  EXPECT_EQ(g_taskbarState, 2);
  OnClose();
  EXPECT_TRUE(g_cancelRequested);
  EXPECT_EQ(g_taskbarState, 0);
  EXPECT_EQ(ui->Log("destroy").size(), 1u);
  EXPECT_TRUE(Exists(sim + "/Setup_Xq_730K5_QZ_x64.zip"));
  EXPECT_EQ(ui->Texts(), (std::vector<std::string>{"Cancel installation?", "Cancel installation?"}));
}

// ---- The parts the page machine calls that read the server.

TEST_F(WizardTest, DiskSpaceLinesFromTheSizeFileAndTheRootsDrive) {
  struct Case {
    const char* reply;
    DiskSpaceResult result;
    const char* required;
  };
  const Case kCases[] = {
      {"1500000000", DiskSpaceResult::Done, "Disk space required: 1.5 GB"},
      {"12000000", DiskSpaceResult::Done, "Disk space required: 12 MB"},
      {"1234567890123456789", DiskSpaceResult::Done, "Disk space required: 2.15 GB"},  // atoi saturates
      {"12000000\r\nnotes", DiskSpaceResult::Done, "Disk space required: 12 MB"},
      {"2500000000", DiskSpaceResult::SizeMissing, ""},
      {"950000000", DiskSpaceResult::SizeMissing, ""},
      {"", DiskSpaceResult::SizeMissing, ""},
      {"<html>404</html>", DiskSpaceResult::SizeMissing, ""},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.reply);
    NewRun(false);
    Serve(Resource::FilesSize, c.reply);
    EXPECT_EQ(ReportDiskSpace(), c.result);
    EXPECT_EQ(Utf8(g_spaceRequiredLine), c.required);
    EXPECT_EQ(ui->Texts().size(), c.result == DiskSpaceResult::Done ? 0u : 1u);
  }
  // The free space of a root that does not exist yet is that of the folder it will be made in.
  NewRun(true);
  Serve(Resource::FilesSize, "12000000");
  std::snprintf(g_simRoot, sizeof g_simRoot, "%s/not/made/yet", sim.c_str());
  ASSERT_EQ(ReportDiskSpace(), DiskSpaceResult::Done);
  EXPECT_EQ(Utf8(g_spaceRequiredLine), "Требуется на диске: 12 Мбайт");
  auto measured = fs::space(sim).available;
  EXPECT_NEAR(static_cast<double>(g_spaceAvailable), static_cast<double>(measured), 64e6);
  SizeText available = FormatSizeText(g_spaceAvailable, true);
  EXPECT_EQ(std::u16string(g_spaceAvailableLine), u"Доступно на диске: " + available.number + u" " + available.unit);
  EXPECT_EQ(ui->Log("repaint").size(), 1u);

  SetEnvironment("QZ_SERVER", true, LocalServer::ClosedUrl());
  EXPECT_EQ(ReportDiskSpace(), DiskSpaceResult::NoConnection);
  EXPECT_EQ(ui->Texts(), std::vector<std::string>{"Нет подключения к интернету!"});
  EXPECT_EQ(Utf8(g_spaceRequiredLine), "Требуется на диске: 12 Мбайт");  // kept from before
}

TEST_F(WizardTest, VersionCheckJudgesTheRepliesAndHonoursOnlyAnEightByteOverride) {
  std::error_code error;
  fs::create_directories(fs::path(kVersionOverridePath).parent_path(), error);
  if (error) GTEST_SKIP() << "the override folder cannot be made here: " << error.message();
  struct Case {
    const char* reply;
    int overrideBytes;  // -1: no override file
    bool outdated;
  };
  const Case kCases[] = {
      {"1100", -1, false}, {"1100\r\n", -1, false}, {"1200", -1, true},   {"11", -1, true},
      {"1101", -1, true},  {"<html>", -1, false},   {"v1100", -1, false}, {"", -1, false},
      {"1200", 8, false},  {"1200", 7, true},       {"1200", 9, true},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(std::string(c.reply) + " override " + std::to_string(c.overrideBytes));
    NewRun(false);
    Serve(Resource::LauncherVersion, c.reply);
    fs::remove(kVersionOverridePath, error);
    if (c.overrideBytes >= 0)
      WriteFile(kVersionOverridePath, std::string(static_cast<std::size_t>(c.overrideBytes), 'x'));
    CheckInstallerVersion();
    EXPECT_EQ(g_installerOutdated, c.outdated);
    EXPECT_TRUE(ui->Boxes().empty());
    Click(Control::Next);  // the verdict shows only now
    EXPECT_EQ(g_page, c.outdated ? PageFailed : PageWelcome);
  }
  fs::remove(kVersionOverridePath, error);

  NewRun(false);  // no network at start: current, and nothing is said until Next
  SetEnvironment("QZ_SERVER", true, LocalServer::ClosedUrl());
  CheckInstallerVersion();
  EXPECT_FALSE(g_installerOutdated);
  EXPECT_TRUE(ui->Boxes().empty());
}
