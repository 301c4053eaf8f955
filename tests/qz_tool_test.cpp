// The qz tool as a user runs it, in separate processes.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>

#ifndef _WIN32
#include <sys/wait.h>
#endif

#include "support/local_server.h"
#include "support/temp_dir.h"
#include "vendor/sample_addon.h"
#include "vendor/server_tree.h"

namespace {
struct ToolRun {
  int status = 0;
  std::string output;
};

ToolRun Qz(const TempDir& dir, const std::string& arguments) {
  std::string log = dir / "qz.log";
  std::string command = std::string("\"") + QZ_TOOL_PATH + "\" " + arguments + " > \"" + log + "\" 2>&1";
#ifdef _WIN32
  command = "\"" + command + "\"";  // cmd /c strips one outer pair of quotes
#endif
  ToolRun run;
  run.status = std::system(command.c_str());
#ifndef _WIN32
  run.status = WIFEXITED(run.status) ? WEXITSTATUS(run.status) : -1;  // the exit code, as on Windows
#endif
  std::ifstream in(log);
  run.output.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return run;
}
}  // namespace

TEST(QzToolTest, InspectAcceptsAPackedAddonAndReportsDamage) {
  TempDir dir;
  ASSERT_EQ(Qz(dir, "sample --to \"" + (dir / "addon") + "\" --mb 1").status, 0);
  ToolRun pack = Qz(dir, "pack --from \"" + (dir / "addon") + "\" --to \"" + (dir / "tree") + "\"");
  ASSERT_EQ(pack.status, 0) << pack.output;
  std::string package = dir / "tree/files/Setup/Setup_Xq_730K5_QZ_x64.zip";
  std::string list = dir / "tree/files/Setup/File_List_Xq_730K5_QZ.txt";

  ToolRun good = Qz(dir, "inspect --package \"" + package + "\" --list \"" + list + "\"");
  EXPECT_EQ(good.status, 0) << good.output;
  EXPECT_NE(good.output.find(" 0 errors"), std::string::npos) << good.output;

  std::vector<std::uint8_t> bytes = ReadFile(package);
  bytes.resize(bytes.size() - 3);  // the last payload now runs past the end
  WriteFile(dir / "cut.zip", bytes);
  ToolRun cut = Qz(dir, "inspect --package \"" + (dir / "cut.zip") + "\" --list \"" + list + "\"");
  EXPECT_NE(cut.status, 0);
  EXPECT_NE(cut.output.find("payload empty or running past the end"), std::string::npos) << cut.output;

  WriteFile(dir / "bad.txt", std::string("effects/a.bmp\r\n"));
  EXPECT_NE(Qz(dir, "inspect --package \"" + package + "\" --list \"" + (dir / "bad.txt") + "\"").status, 0);
}

TEST(QzToolTest, InstallAndRemoveTellTheirOutcomeByExitCode) {
  if (std::string reason = LocalServer::Unavailable(); !reason.empty()) GTEST_SKIP() << reason;
  LocalServer server;
  TempDir dir;
  ASSERT_TRUE(GenerateSampleAddon(dir / "addon", 1u << 20, 3).ok());
  ASSERT_TRUE(PackServerTree(dir / "addon", server.Root()).ok());
  ASSERT_TRUE(server.Start()) << server.Error();
  std::string root = dir / "root";
  std::string marker = root + "/" + kSampleRequiredFiles[1];
  std::filesystem::create_directories(root);

  ToolRun install = Qz(dir, "install --server " + server.BaseUrl() + " --root \"" + root + "\"");
  EXPECT_EQ(install.status, 0) << install.output;
  EXPECT_EQ(ReadFile(marker), ReadFile(dir / "addon/" + kSampleRequiredFiles[1]));
  ToolRun remove = Qz(dir, "remove --server " + server.BaseUrl() + " --root \"" + root + "\" --lang ru");
  EXPECT_EQ(remove.status, 0) << remove.output;
  EXPECT_FALSE(Exists(marker));

  ToolRun down = Qz(dir, "install --server " + LocalServer::ClosedUrl() + " --root \"" + root + "\"");
  EXPECT_EQ(down.status, 1);
  EXPECT_NE(down.output.find("cannot be downloaded!"), std::string::npos) << down.output;
  EXPECT_EQ(Qz(dir, "install --server " + server.BaseUrl() + " --root \"" + (dir / "nowhere") + "\"").status, 2);
}
