// The qz tool as a user runs it, in separate processes.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <set>
#include <utility>

#ifndef _WIN32
#include <sys/wait.h>
#endif

#include "online/server.h"
#include "support/local_server.h"
#include "support/temp_dir.h"
#include "vendor/sample_addon.h"

namespace {
struct ToolRun {
  int status = 0;
  std::string output;
  // The exit code, and whether the output has text in it.
  std::pair<int, bool> Saying(const char* text) const { return {status, output.find(text) != std::string::npos}; }
};

// qz against a server of the add-on that qz sample and qz pack make, over a root of its own.
class QzToolTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (std::string reason = LocalServer::Unavailable(); !reason.empty()) GTEST_SKIP() << reason;
    ASSERT_EQ(Qz("sample --to \"" + (dir / "addon") + "\" --mb 1").status, 0);
    ToolRun pack = Qz("pack --from \"" + (dir / "addon") + "\" --to \"" + server.Root() + "\"");
    ASSERT_EQ(pack.status, 0) << pack.output;
    ASSERT_TRUE(server.Start()) << server.Error();
    std::filesystem::create_directories(root);
  }

  ToolRun Qz(const std::string& arguments) const {
    std::string log = dir / "qz.log";
    std::string command = std::string("\"") + QZ_TOOL_PATH + "\" " + arguments + " > \"" + log + "\" 2>&1";
#ifdef _WIN32
    int status = std::system(("\"" + command + "\"").c_str());  // cmd /c strips one outer pair of quotes
#else
    int status = std::system(command.c_str());
    status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;  // the exit code, as on Windows
#endif
    std::vector<std::uint8_t> output = ReadFile(log);
    return {status, std::string(output.begin(), output.end())};
  }
  ToolRun Client(const std::string& command) const {
    return Qz(command + " --server " + server.BaseUrl() + " --root \"" + root + "\"");
  }

  LocalServer server;
  TempDir dir;
  std::string root = dir / "root";
  std::string marker = root + "/" + kSampleRequiredFiles[1];
  std::string package = server.Root() + ResourcePath(Resource::Package);
  std::string list = server.Root() + ResourcePath(Resource::FileList);
};
}  // namespace

TEST_F(QzToolTest, InspectAcceptsAPackedAddonAndReportsDamage) {
  ToolRun good = Qz("inspect --package \"" + package + "\" --list \"" + list + "\"");
  EXPECT_EQ(good.Saying(" 0 errors"), std::pair(0, true)) << good.output;

  std::vector<std::uint8_t> bytes = ReadFile(package);
  bytes.resize(bytes.size() - 3);  // the last payload now runs past the end
  WriteFile(dir / "cut.zip", bytes);
  ToolRun cut = Qz("inspect --package \"" + (dir / "cut.zip") + "\" --list \"" + list + "\"");
  EXPECT_EQ(cut.Saying("payload empty or running past the end"), std::pair(1, true)) << cut.output;

  WriteFile(dir / "bad.txt", std::string("effects/a.bmp\r\n"));
  EXPECT_NE(Qz("inspect --package \"" + package + "\" --list \"" + (dir / "bad.txt") + "\"").status, 0);
}

// Every fault's own message, and what a failed run leaves, is NetworkFaultTest's, through
// the same workers: here a broken transfer tells its end by exit code 1 and its message.
TEST_F(QzToolTest, RunsTellTheirOutcomeByExitCodeAndABrokenTransferByItsMessage) {
  server.SetFault("/none", "close");  // the request log starts with a faults file
  ToolRun install = Client("install");
  EXPECT_EQ(install.status, 0) << install.output;
  EXPECT_EQ(ReadFile(marker), ReadFile(dir / "addon/" + kSampleRequiredFiles[1]));
  ToolRun remove = Client("remove --lang ru");
  EXPECT_EQ(remove.status, 0) << remove.output;
  EXPECT_FALSE(Exists(marker));
  EXPECT_EQ(Qz("install --server " + server.BaseUrl() + " --root \"" + (dir / "nowhere") + "\"").status, 2);
  if (server.RequestLog().empty()) GTEST_SKIP() << "the test server runs without --faults";

  ASSERT_EQ(Client("install").status, 0);
  // A stall must not cost a minute.
  server.SetFault(ResourcePath(Resource::FileList), "silent");
  remove = Client("remove --stall-seconds 1");
  EXPECT_EQ(remove.Saying("No internet connection!"), std::pair(1, true)) << remove.output;
  server.SetFault(ResourcePath(Resource::Package), "silent");
  install = Client("install --stall-seconds 1");
  EXPECT_EQ(install.Saying("cannot be downloaded!"), std::pair(1, true)) << install.output;

  // Each run draws its own "?rnd=": an unseeded engine asks for the same one every time.
  std::set<std::string> queries;
  for (const std::string& line : server.RequestLog()) {
    std::size_t at = line.find("?rnd=");
    if (at != std::string::npos) queries.insert(line.substr(at, line.find(' ', at) - at));
  }
  EXPECT_GE(queries.size(), 2u);  // of three
}
