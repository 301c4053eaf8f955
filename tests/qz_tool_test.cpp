// The qz tool as a user runs it: sample, pack and inspect in separate processes.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>

#include "support/temp_dir.h"

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
