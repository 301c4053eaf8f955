#include <gtest/gtest.h>


#include "support/recording_ui.h"
#include "support/temp_dir.h"
#include "workers/file_list.h"

namespace {
class FileListTest : public ::testing::Test {
 protected:
  void SetUp() override { ResetInstallerState(); }
  void TearDown() override { ResetInstallerState(); }
};
}  // namespace

TEST_F(FileListTest, ParseSplitsOnCrAndSkipsTheFollowingByte) {
  const std::pair<std::string, StringList> kCases[] = {
      {"a/1\r\nb/2\r\n", {"a/1", "b/2"}},
      {"a/1\r\nb/2", {"a/1", "b/2"}},
      {"a\r\n\r\nb", {"a", "", "b"}},
      {"a/1\nb", {"a/1\nb"}},          // a lone LF is part of the entry
      {"a/1\r", {"a/1\r"}},            // a final CR stays in the entry
      {"a/1\rXb/2", {"a/1", "b/2"}},  // whatever follows CR is skipped
      {"", {}},
  };
  for (const auto& [text, entries] : kCases) {
    StringList list{"x/y"}, expected{"x/y"};  // a parse appends to the list
    expected.insert(expected.end(), entries.begin(), entries.end());
    // Only the given length is read, not the CR LF after it.
    ParseFileList(list, (text + "\r\nEffects/c").c_str(), static_cast<std::uint32_t>(text.size()));
    EXPECT_EQ(list, expected) << text;
  }
}

TEST_F(FileListTest, EntriesThatCouldLeaveTheRootAreRefused) {
  const char* root = "C:/P3D";
  // One entry per rule; an empty component first, inside and last, as the walk meets them.
  for (const char* bad : {"../evil.dll", "/etc/passwd", "Effects//a", "Effects/a/", "Effects/a:stream",
                          "Effects\\..\\x", "noslash.cfg", "Effects/./a", "Effects/CON", "Effects/nul.txt",
                          "Effects/com1.cfg", "Effects/lpt9", "Effects/a.", "Effects/a ", "Effects/a\nb",
                          "Effects/a\x7F"}) {
    ListVerdict verdict = CheckFileList({"Effects/ok.bmp", bad}, root);
    EXPECT_EQ(verdict.problem, EntryProblem::Unsafe) << "accepted: " << bad;
    EXPECT_EQ(verdict.entry, bad);
  }
  for (const char* good : {"Effects/a.bmp", "SimObjects/Airplanes/X 1/aircraft.cfg", "gauges/a..b/c.cfg",
                           "Effects/console.cfg", "Effects/COM10.cfg", "Effects/ABC1.cfg"}) {
    EXPECT_EQ(CheckFileList({good}, root).problem, EntryProblem::None) << "refused: " << good;
  }
}

TEST_F(FileListTest, EntriesThatWouldShareAFileOrAFolderAreRefused) {
  // Each entry owns itself, its temporary and its decoded sibling, as files.
  const std::pair<StringList, bool> kCases[] = {
      {{"Effects/a", "Effects/a"}, true},
      {{"Effects/a", "EFFECTS/A"}, true},
      {{"Effects/a", "Effects/a.qzar"}, true},
      {{"Effects/a.qznew", "Effects/a"}, true},
      {{"Effects/a", "Effects/a/b"}, true},
      {{"Effects/a/b", "Effects/a"}, true},
      {{"a/b", "a/b.qzar/c"}, true},
      {{"Effects/\xC6", "Effects/\xE6"}, true},  // a case pair in Windows-1251 and -1252 alike
      {{"Effects/\xC6", "Effects/\xC7"}, false},
#ifndef _WIN32  // Windows folds by its own code page, 1252 under Wine
      {{"Effects/\xA8", "Effects/\xB8"}, true},  // 1251's Ё and ё
#endif
      {{"Effects/a/b", "Effects/a/c", "Effects/b"}, false},
  };
  for (const auto& [list, conflict] : kCases) {
    EXPECT_EQ(CheckFileList(list, "C:/P3D").problem, conflict ? EntryProblem::Conflict : EntryProblem::None)
        << list[0] << " with " << list[1];
  }
}

TEST_F(FileListTest, PathsThatWouldNotFitAreRefusedNotCut) {
  // The decoded sibling is the longest path: root + '/' + entry + ".qznew" must stay within 259.
  std::string root(200, 'r');
  std::string fits = "Effects/" + std::string(259 - 201 - 6 - 8, 'a');
  EXPECT_EQ(CheckFileList({fits}, root.c_str()).problem, EntryProblem::None);
  EXPECT_EQ(CheckFileList({fits + "a"}, root.c_str()).problem, EntryProblem::TooLong);

  // A path that does not fit leaves no cut copy behind.
  char out[kPathCapacity];
  EXPECT_FALSE(FormatRootPath(out, root.c_str(), std::string(59, 'x')));
  EXPECT_EQ(out[0], '\0');
}

TEST_F(FileListTest, VerdictBoxNamesTheEntryInTheUsersLanguage) {
  RecordingUi ui;
  g_russian = false;
  ShowListVerdict({EntryProblem::Unsafe, "../x y\n\x7F"});
  g_russian = true;
  ShowListVerdict({EntryProblem::TooLong, "Effects/long"});
  EXPECT_EQ(ui.Texts(), (std::vector<std::string>{"The file list holds an invalid path:\n../x y??",
                                                  "Путь в выбранной папке длиннее 259 символов:\nEffects/long"}));
  const MessageBoxRequest box = ui.Boxes().front();
  EXPECT_EQ(std::tie(box.caption, box.flags, box.owner),
            std::make_tuple("Xq-730 QZ Installer v1.1", 0x30u, BoxOwner::MainWindow));
}

TEST_F(FileListTest, PreparedPathsFollowTheRootAndTheListAndTheFolderWalkGivesUpAtTheTop) {
  TempDir root;
  std::snprintf(g_simRoot, sizeof g_simRoot, "%s", root.Path().c_str());
  g_fileList = {"Effects/a", "SimObjects/Airplanes/X/aircraft.cfg"};
  ASSERT_TRUE(PrepareEntryPaths());
  EXPECT_EQ(g_tempRelPaths, (StringList{"Effects/a.qzar", "SimObjects/Airplanes/X/aircraft.cfg.qzar"}));
  EXPECT_EQ(g_tempFiles, (StringList{root / "Effects/a.qzar", root / "SimObjects/Airplanes/X/aircraft.cfg.qzar"}));
  EXPECT_EQ(g_targetFiles, (StringList{root / "Effects/a", root / "SimObjects/Airplanes/X/aircraft.cfg"}));
  EXPECT_EQ(g_dirPaths, (StringList{"Effects", "SimObjects/Airplanes/X"}));
  EXPECT_TRUE(std::filesystem::is_directory(root / "SimObjects/Airplanes/X"));

  // Below a file no folder can be made: the walk climbs to the top, gives up there and
  // leaves the folder path whole.
  WriteFile(root / "blocker", std::string("a file where a folder should be"));
  g_dirPaths = {"missing/blocker/b"};
  CreateEntryDirectory(0, (root / "blocker").c_str());
  EXPECT_EQ(g_dirPaths[0], "missing/blocker/b");
  EXPECT_TRUE(g_dirTail.empty());
}
