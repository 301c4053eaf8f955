// A hostile server against each of the five resources, through the steps that fetch them:
// the version check and Next on the first page, Next on the licence page, the removal's
// list and the install's package. Every fault ends with its message and page, and nothing
// of a broken reply is acted on.
#include <gtest/gtest.h>

#include <filesystem>
#include <thread>
#include <tuple>

#include "app/state.h"
#include "online/fetch_text.h"
#include "online/server.h"
#include "online/transfer_pace.h"
#include "support/local_server.h"
#include "support/recording_ui.h"
#include "support/served_sample.h"
#include "support/temp_dir.h"
#include "support/text.h"
#include "wizard/page_machine.h"
#include "wizard/version_check.h"
#include "workers/install_worker.h"
#include "workers/uninstall_worker.h"

namespace fs = std::filesystem;

namespace {
// What a faulted resource gives its step. Whole: it arrived all the same (a redirect to
// another https port is followed). Nothing: a reply that is not the resource reads as
// none. Broken: the transfer failed, "No internet connection!". Cut: the first capacity
// bytes. For the package: Missing (404), Invalid (the transfer is not the package),
// Plain (no message of the download's own before the worker's), TooLarge (4 GiB or more).
enum class Got { Whole, Nothing, Broken, Cut, Missing, Invalid, Plain, TooLarge };

struct Row {
  const char* fault;
  Got got[5];  // by Resource, in its order
};

constexpr Got W = Got::Whole, N = Got::Nothing, B = Got::Broken, C = Got::Cut;
const Row kRows[] = {
    //                       launcher model size list package
    {"close",               {N, B, B, B, Got::Invalid}},
    {"reset 2",             {N, B, B, B, Got::Invalid}},
    {"short 2",             {N, B, B, B, Got::Invalid}},
    {"status 404",          {N, N, N, N, Got::Missing}},
    {"status 500",          {N, N, N, N, Got::Invalid}},
    {"redirect-http",       {N, N, N, N, Got::Plain}},
    {"redirect-https",      {W, W, W, W, W}},
    {"drip 1",              {N, B, B, B, Got::Plain}},
    {"drip 0",              {N, B, B, B, Got::Plain}},
    {"silent",              {N, B, B, B, Got::Plain}},
    {"endless",             {C, C, N, N, Got::Invalid}},
    {"announce 4294967296", {W, W, B, B, Got::TooLarge}},
};

const char* const kDownloadFailed = "File: \"Setup_Xq_730K5_QZ_x64.zip\" cannot be downloaded!";
const char* const kInvalid = "The specified resource or callback interface is invalid!";
const char* const kTooLarge = "File \"Setup_Xq_730K5_QZ_x64.zip\" is too large: 4 GB or more is not supported!";

// The page, the boxes' texts, and the model version line or what a job left behind.
using Outcome = std::tuple<std::uint32_t, std::vector<std::string>, std::string>;

class NetworkFaultTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (std::string reason = LocalServer::Unavailable(); !reason.empty()) GTEST_SKIP() << reason;
    ASSERT_TRUE(sample.addon.ok()) << sample.addon.error;
    CopyTree(sample.treeDir, server.Root());
    WriteFile(server.Root() + ResourcePath(Resource::LauncherVersion), std::string("1200"));  // newer than ours
    WriteFile(server.Root() + ResourcePath(Resource::FilesSize), std::string("12000000"));
    ASSERT_TRUE(server.Start()) << server.Error();
    SetVersionOverridePath(dir / "no override");
    // A server started without --faults keeps no request log: nothing here would be tried.
    server.SetFault("/none", "close");
    Run(Resource::LauncherVersion);
    if (server.RequestLog().empty()) GTEST_SKIP() << "the test server runs without --faults";
  }
  void TearDown() override {
    SetStallWindowSeconds(0);
    SetVersionOverridePath("");
    ResetInstallerState();
  }

  Outcome Run(Resource resource) {
    ResetInstallerState();
    g_russian = false;
    fs::remove_all(sim);
    fs::create_directories(sim);
    std::snprintf(g_simRoot, sizeof g_simRoot, "%s", sim.c_str());
    RecordingUi ui;
    ui.CreateControls();
    std::string detail;
    switch (resource) {
      case Resource::LauncherVersion:  // the window's creation, then Next as for the model version
        CheckInstallerVersion();
        [[fallthrough]];
      case Resource::ModelVersion:
        OnCommand(static_cast<int>(Control::Next));
        detail = Utf8(std::u16string(g_modelVersionLine));
        break;
      case Resource::FilesSize:
        g_page = PageLicence;
        ui.CheckControl(Control::Accept, true);
        OnCommand(static_cast<int>(Control::Next));
        break;
      case Resource::FileList:  // the removal, over an installed add-on
        CopyTree(sample.addonDir, sim);
        g_page = PageRemoving;
        std::thread(UninstallWorker).join();
        detail = std::to_string(sample.IdenticalListedFiles(sim)) + " files left";
        break;
      case Resource::Package:
        g_page = PageInstalling;
        std::thread(InstallWorker).join();
        detail = std::to_string(sample.IdenticalListedFiles(sim)) + " files installed";
        if (Exists(sim + "/" + kPackageFileName)) detail += ", the package left";
        break;
    }
    return {g_page, ui.Texts(), detail};
  }

  // What the column's step ends with when its resource gives got.
  Outcome Expected(Resource resource, Got got) const {
    std::string all = std::to_string(sample.addon.listed.size());
    std::string web = WebHostUrl().substr(WebHostUrl().find("://") + 3);
    switch (resource) {
      case Resource::LauncherVersion:
        if (got == Got::Nothing) return {PageWelcome, {}, "Model version being installed: v1.2"};
        return {PageFailed, {"The installer is outdated, please download the new version from " + web + "!"}, ""};
      case Resource::ModelVersion:
        if (got == Got::Broken) return {PageFailed, {"No internet connection!"}, ""};
        return {PageWelcome, {}, got == Got::Nothing ? "Model version being installed: v" : "Model version being installed: v1.2"};
      case Resource::FilesSize:
        if (got == Got::Whole) return {PageFolder, {}, ""};
        return {PageFailed, {got == Got::Broken ? "No internet connection!" : "File \"Size\" not found!"}, ""};
      case Resource::FileList:
        if (got == Got::Whole) return {PageFinished, {}, "0 files left"};
        return {PageRemoving, {got == Got::Broken ? "No internet connection!" : "File \"List\" not found!"},
                all + " files left"};
      case Resource::Package: {
        if (got == Got::Whole) return {PageFinished, {}, all + " files installed"};
        std::vector<std::string> texts{kDownloadFailed};  // after the download's own message, if any
        if (got == Got::Missing) texts.insert(texts.begin(), "The specified resource or callback interface was not found!");
        if (got == Got::Invalid) texts.insert(texts.begin(), kInvalid);
        if (got == Got::TooLarge) texts.insert(texts.begin(), kTooLarge);
        return {PageFailed, texts, "0 files installed"};
      }
    }
    return {};
  }

  const ServedSample& sample = SampleOfSize(1u << 20);
  TempDir dir;
  std::string sim = dir / "P3D";
  LocalServer server;
};
}  // namespace

TEST_F(NetworkFaultTest, EachFaultOnEachResourceEndsWithItsMessageAndPageAndActsOnNothingBroken) {
  for (const Row& row : kRows) {
    std::string fault = row.fault;
    // A stall must not cost a minute here: the window shrinks to a second, which the
    // healthy resources of the other rows would not need but which holds for them too.
    SetStallWindowSeconds(fault.rfind("drip", 0) == 0 || fault == "silent" ? 1 : 0);
    for (int column = 0; column < 5; ++column) {
      auto resource = static_cast<Resource>(column);
      SCOPED_TRACE(fault + " on " + ResourcePath(resource));
      // The package breaks off after its first data has been reported: Wine's monikers
      // report nothing before 8 KiB.
      bool cut = fault.rfind("reset", 0) == 0 || fault.rfind("short", 0) == 0;
      server.SetFault(ResourcePath(resource), cut && resource == Resource::Package ? fault + "0000" : fault);
      Outcome outcome = Run(resource);
#ifdef _WIN32
      // Wine's monikers now and then end a reset transfer with a result of their own,
      // for which the download shows no message before the worker's: the run must
      // still fail and act on nothing.
      auto& texts = std::get<1>(outcome);
      if (cut && resource == Resource::Package && texts == std::vector<std::string>{kDownloadFailed}) {
        texts.insert(texts.begin(), kInvalid);
      }
#endif
      EXPECT_EQ(outcome, Expected(resource, row.got[column]));
    }
  }
  // A package of one byte is downloaded whole (its length is announced), and it is the
  // split that refuses it, not the download as one without a length.
  server.SetFault("/none", "close");
  WriteFile(server.Root() + ResourcePath(Resource::Package), std::string("["));
  EXPECT_EQ(Run(Resource::Package), Outcome(PageFailed, {"File \"Setup_Xq_730K5_QZ_x64.zip\" is missing or empty!"}, "0 files installed"));
  // An endless package is refused at its first piece: the client stopped reading long
  // before the server's own limit (64 MiB).
  for (const std::string& line : server.RequestLog()) {
    if (line.find(" sent ") == std::string::npos || line.rfind(ResourcePath(Resource::Package), 0) != 0) continue;
    EXPECT_LT(std::stoull(line.substr(line.rfind(' ') + 1)), 16u << 20) << line;
  }
}
