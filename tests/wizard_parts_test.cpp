// The wizard's pieces that need no server: the window's data, the pages as display
// lists, the folder pick and the markers, the print job, the size text and the version.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <optional>
#include <set>

#include "app/state.h"
#include "support/recording_ui.h"
#include "support/temp_dir.h"
#include "support/text.h"
#include "wizard/disk_space.h"
#include "wizard/folder.h"
#include "wizard/page_drawing.h"
#include "wizard/page_machine.h"
#include "wizard/print.h"
#include "wizard/version_check.h"
#include "wizard/window_data.h"

namespace {
class WizardPartsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetInstallerState();
    ui.CreateControls();
    SetLicence({{u"один", u"два", u"три", u"четыре", u"пять"}, {u"one", u"two", u"three", u"four", u"five"}});
  }
  void TearDown() override {
    ResetInstallerState();
    SetLicence({});
  }
  RecordingUi ui;
};

// ---- The window's data.

// Which pictures a language loads is judged by the real window's pages.
TEST(WindowDataTest, EveryControlIsFoundByItsIdAndGetsItsFontOnce) {
  std::multiset<Control> fonted(FontSettingOrder().begin(), FontSettingOrder().end());
  for (const ControlSpec& spec : WizardControls()) {
    SCOPED_TRACE(ControlName(spec.control));
    EXPECT_EQ(&ControlSpecOf(spec.control), &spec);
    EXPECT_EQ(spec.id, spec.id == 0 ? 0 : static_cast<int>(spec.control));
    EXPECT_EQ(fonted.count(spec.control), spec.font == Font::None ? 0u : 1u);  // all but the bar
  }
}

TEST(WindowDataTest, LicenceJoinsFivePiecesAndNeverOverflowsItsBuffer) {
  EXPECT_EQ(AssembleLicenceText({u"a", u"b", u"c", u"d", u"e"}), u"a\r\nb\r\n\r\n\r\nc\r\nd\r\n\r\n\r\ne");
  std::u16string exact(kLicenceCapacity - 16, u'x');  // with the 16 characters between pieces: one too many
  std::u16string joined = exact + u"\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n";
  EXPECT_EQ(AssembleLicenceText({exact, u"", u"", u"", u""}), joined.substr(0, kLicenceCapacity - 1));
}

// The centring of the usual size on a real screen is checked on the real window.
TEST(WindowDataTest, MainWindowIsCentredByTruncatedHalvesAndGrowsForAThickerFrame) {
  auto place = [](int screenWidth, int screenHeight, int neededWidth, int neededHeight) {
    WindowPlacement placed = PlaceMainWindow(screenWidth, screenHeight, neededWidth, neededHeight);
    return std::array{placed.x, placed.y, placed.width, placed.height};
  };
  EXPECT_EQ(place(301, 0, 0, 0), (std::array{-120, -207, 540, 415}));  // left of the screen's edge, truncated
  EXPECT_EQ(place(800, 600, 543, 420), (std::array{400 - 271, 300 - 210, 543, 420}));
}

// ---- Pages as display lists.

// A page's layout in short: each picture or icon at its place, each text by its flags,
// marked "!" in the warning colour.
std::string Layout(const std::vector<DrawOp>& ops) {
  std::string layout;
  for (const DrawOp& op : ops) {
    bool text = op.kind == DrawOp::Kind::Text;
    layout += text ? " T" + std::to_string(op.flags) + (op.colour == g_warnColour ? "!" : "")
                   : (op.kind == DrawOp::Kind::Icon ? " I" : " P") + std::to_string(op.x) + "," + std::to_string(op.y);
  }
  return layout.substr(1);
}

// Every page, and each form the Remove choice, the install phase and the free space give
// one: its layout, its last picture or icon, and words only that form shows (in English).
// Russian has the same layout with every worded text translated.
TEST_F(WizardPartsTest, EveryPageFormHasItsLayoutPictureAndTextsInBothLanguages) {
  const std::string frame = "P0,0 P80,329 P10,323 ";
  g_spaceRequired = 1500000000;
  WideText64 info{};
  std::copy_n(u"175.3 MB", 8, info.begin());
  SetDownloadInfo(info);
  // The page, whether Remove is checked, the install phase, the free space; the layout,
  // the last picture or icon, words only this form shows.
  const std::tuple<Page, bool, std::uint32_t, std::uint64_t, std::string, int, const char*> kPages[] = {
      {PageSplash, false, 0, 0, "P0,0", kPictureSplash, ""},
      {PageWelcome, false, 0, 0, "P0,0 T17 T16 T1 T16 T16", kPictureWelcomeEn, "Welcome to the program"},
      {PageLicence, false, 0, 0, frame + "T1 T0", kPictureLogo, "read the following license agreement"},
      {PageFolder, false, 0, 2000000000, frame + "I25,180 T1 T16 T262160 T0 T0", kPictureFolder, kDefaultSimRoot},
      // Not more than required: the free space in red.
      {PageFolder, false, 0, 1500000000, frame + "I25,180 T1 T16 T262160 T0 T0!", kPictureFolder, "Selecting an"},
      {PageMaintenance, false, 0, 0, frame + "I30,80 I30,200 T1 T16 T16", kPictureBin, "Program Maintenance"},
      {PageReady, false, 0, 0, frame + "I30,200 T1 T16", kPictureTools, "Click \"Install\" to start the"},
      {PageReady, true, 0, 0, frame + "I30,200 T1 T16", kPictureBin, "Click \"Delete\" to start uninstalling"},
      {PageInstalling, false, 0, 0, frame + "I30,70 T1 T16 T16 T0", kPictureRunning, "Downloading archive...|175.3 MB"},
      {PageInstalling, false, 1, 0, frame + "I30,70 T1 T16 T16", kPictureRunning, "Unpacking files..."},
      {PageInstalling, false, 2, 0, frame + "I30,70 T1 T16 T16", kPictureRunning, "Deleting temporary files..."},
      {PageInstalling, false, 3, 0, frame + "I30,70 T1 T16", kPictureRunning, "Installing"},  // no status
      {PageRemoving, false, 0, 0, frame + "I30,70 T1 T16 T16", kPictureRunning, "Deleting..."},
      {PageFinished, false, 0, 0, "P0,0 T17 T16", kPictureFinishedEn, "has successfully installed"},
      {PageFinished, true, 0, 0, "P0,0 T17 T16", kPictureFinishedEn, "has successfully removed"},
      {PageFailed, false, 0, 0, "P0,0 T17 T16", kPictureFailedEn, "failed to install"},
  };
  for (const auto& [page, removal, phase, available, layout, picture, words] : kPages) {
    SCOPED_TRACE(std::to_string(page) + " " + words);
    g_page = page;
    ui.CheckControl(Control::Remove, removal);
    g_installPhase = phase;
    g_spaceAvailable = available;
    g_russian = false;
    std::vector<DrawOp> english = DrawPage();
    g_russian = true;
    std::vector<DrawOp> russian = DrawPage();
    ASSERT_EQ(Layout(russian), Layout(english));
    std::string texts;  // the folder in the system's code page, as narrow text
    int image = 0;
    for (std::size_t i = 0; i < english.size(); ++i) {
      const DrawOp &en = english[i], &ru = russian[i];
      texts += (en.narrow ? en.narrowText : Utf8(en.text)) + "|";
      if (en.kind != DrawOp::Kind::Text) image = en.resource;
      bool latin = std::any_of(en.text.begin(), en.text.end(), [](char16_t c) { return c >= u'a' && c <= u'z'; });
      bool cyrillic = std::any_of(ru.text.begin(), ru.text.end(), [](char16_t c) { return c >= 0x400; });
      EXPECT_TRUE(cyrillic || !latin) << Utf8(ru.text);  // every worded text is translated
    }
    EXPECT_EQ(std::make_tuple(Layout(english), image), std::make_tuple(layout, picture));
    EXPECT_NE(texts.find(words), std::string::npos) << texts;
  }
  g_page = 10;
  EXPECT_TRUE(DrawPage().empty());
}

TEST_F(WizardPartsTest, ModelVersionLineShowsTheFourBytesUpToTheirFirstNul) {
  // The last two digits go when both are zeros, not when one is; a NUL ends the text.
  const std::pair<std::string, const char*> kCases[] = {
      {"1000", "v1.0"}, {"1234", "v1.234"}, {"1203", "v1.203"}, {{"12\0\0", 4}, "v1.2"}};
  for (const auto& [bytes, shown] : kCases) {
    std::memcpy(g_modelVersionText, bytes.data(), 4);
    FillModelVersionLine();
    EXPECT_EQ(Utf8(g_modelVersionLine), std::string("Устанавливаемая версия модели: ") + shown) << bytes;
  }
}

// ---- The folder and the markers.

TEST_F(WizardPartsTest, FolderPickNormalisesTheSeparatorsAndRefusesWhatItCannotStore) {
  // The folder picked (none: cancelled), the root afterwards, whether a warning came.
  const std::tuple<std::optional<std::string>, const char*, bool> kCases[] = {
      {std::string(), kDefaultSimRoot, true},
      {std::string("D:\\Games\\P3D"), "D:/Games/P3D", false},
      {std::nullopt, "D:/Games/P3D", false},  // cancelling keeps the changed folder
      {std::string(kPathCapacity, 'x'), "D:/Games/P3D", true},  // cut, it would name another folder
  };
  for (const auto& [picked, root, warned] : kCases) {
    std::size_t boxes = ui.Boxes().size(), repaints = ui.Log("repaint").size();
    g_spaceAvailable = 1;  // the old folder's drive: a new folder's is measured anew
    ui.PickFolder(picked);
    BrowseForSimRoot();
    EXPECT_STREQ(g_simRoot, root);
    bool changed = picked && !warned;
    EXPECT_EQ(std::make_tuple(ui.Boxes().size() - boxes, ui.Log("repaint").size() - repaints, g_spaceAvailable != 1),
              std::make_tuple(std::size_t{warned}, std::size_t{changed}, changed));
  }
  EXPECT_EQ(ui.Texts().front(), "Необходимо указать путь к корневой папке симулятора Prepar3D");
  EXPECT_EQ(ui.Boxes().front().flags, unsigned{kMbIconExclamation});
}

TEST_F(WizardPartsTest, AnyMarkerRevealsAnInstallationUnlessItWouldNotFitItsBuffer) {
  TempDir dir;
  for (const char* marker : kMarkerSuffixes) {
    std::string root = dir / ("root" + std::to_string(marker[1]));
    std::snprintf(g_simRoot, sizeof g_simRoot, "%s", root.c_str());
    WriteFile(root + marker, std::string("x"));
    EXPECT_TRUE(IsAddonInstalled()) << marker;
  }
  // A root of 220 characters: the first and third markers fit in 259, the second does not.
  std::string root = dir / std::string(219 - dir.Path().size(), 'r');
  std::snprintf(g_simRoot, sizeof g_simRoot, "%s", root.c_str());
#ifndef _WIN32  // Windows cannot make the second marker's path at all
  WriteFile(root + kMarkerSuffixes[1], std::string("x"));
  EXPECT_FALSE(IsAddonInstalled());
#endif
  WriteFile(root + kMarkerSuffixes[2], std::string("x"));
  EXPECT_TRUE(IsAddonInstalled());
  // A marker path of exactly 260 characters: cut to 259, it would name another file.
  root = dir / std::string(kPathCapacity - std::strlen(kMarkerSuffixes[2]) - dir.Path().size() - 1, 'e');
  std::snprintf(g_simRoot, sizeof g_simRoot, "%s", root.c_str());
  WriteFile((root + kMarkerSuffixes[2]).substr(0, kPathCapacity - 1), std::string("x"));
  EXPECT_FALSE(IsAddonInstalled());
}

// ---- The print job.

// A printer that logs what is asked of it. The call that makes the failAt-th entry of its
// log (1-based, 0: none) fails with 0, which every call's result check takes for a failure.
class FakePrinter final : public PrintDevice {
 public:
  FakePrinter(std::vector<std::string>& log, std::size_t failAt) : log_(log), failAt_(failAt) {}
  ~FakePrinter() override { log_.push_back("released"); }
  int StartDocument(const std::u16string& name, const std::u16string* output) override {
    return Log("doc " + Utf8(name) + (output ? " to " + Utf8(*output) : ""));
  }
  int StartPage() override { return Log("page"); }
  int DeviceCaps(Cap cap) override { return cap == Cap::LogPixelsY ? 600 : cap == Cap::HorzRes ? 4960 : 7016; }
  void SelectFont(int height, const std::u16string& face) override {
    Log("font " + std::to_string(height) + " " + Utf8(face));
  }
  int DrawTextIn(const std::u16string& text, const Rect& r, unsigned flags) override {
    return Log("text " + Utf8(text) + " in " + std::to_string(r.left) + "," + std::to_string(r.top) + "," +
               std::to_string(r.right) + "," + std::to_string(r.bottom) + " flags " + std::to_string(flags));
  }
  int EndPage() override { return Log("end page"); }
  int EndDoc() override { return Log("end doc"); }
  int AbortDoc() override { return Log("abort doc"); }

 private:
  int Log(std::string entry) {  // 1, or 0 for the failing call
    log_.push_back(std::move(entry));
    return log_.size() == failAt_ ? 0 : 1;
  }
  std::vector<std::string>& log_;
  std::size_t failAt_;
};

TEST_F(WizardPartsTest, PrintsTheRussianPiecesOnePerPageAndEveryFailureShowsItsMessageAndStopsThere) {
  // Prints with a dialog that chose this printer; the printer's log.
  auto print = [this](const std::u16string& printer, std::size_t failAt = 0, bool withDevice = true) {
    std::vector<std::string> log;
    ui.SetPrinter([&]() {
      PrinterChoice choice{true, printer, nullptr};
      if (withDevice) choice.device = std::make_unique<FakePrinter>(log, failAt);
      return choice;
    });
    PrintLicence();
    return log;
  };
  PrintLicence();  // no printer set: the dialog was cancelled, in Russian, then in English
  g_russian = false;  // the pieces are the Russian ones in any language; the other messages have a Russian text only
  PrintLicence();
  EXPECT_EQ(ui.Texts(), (std::vector<std::string>{"Не удалось получить принтер!", "Failed to get printer!"}));
  EXPECT_EQ(std::make_tuple(ui.Boxes().front().flags, ui.Boxes().front().owner),
            std::make_tuple(unsigned{kMbOk}, BoxOwner::MainWindow));
  EXPECT_TRUE(print(u"HP", 0, false).empty());
  std::vector<std::string> job = {"doc Лицензионное соглашение с конечным пользователем"};
  for (const char* piece : {"один", "два", "три", "четыре", "пять"}) {
    job.insert(job.end(), {"page", "font -83 Verdana",
                           std::string("text ") + piece + " in 500,300,4710,6819 flags 80", "end page"});
  }
  // The entry of the whole job's log whose call fails (0: none), how the log goes on after it.
  const std::pair<std::size_t, std::vector<std::string>> kJobs[] = {
      {0, {"end doc", "released"}},
      {1, {"released"}},                // the document refused
      {10, {"abort doc", "released"}},  // the third page refused
      {4, {"abort doc", "released"}},   // the first page's text refused
  };
  for (const auto& [failAt, end] : kJobs) {
    std::size_t through = failAt == 0 ? job.size() : failAt;
    std::vector<std::string> log(job.begin(), job.begin() + static_cast<std::ptrdiff_t>(through));
    log.insert(log.end(), end.begin(), end.end());
    EXPECT_EQ(print(u"HP LaserJet", failAt), log) << failAt;
  }
  // Only the XPS writer, by its exact name, gets the output file.
  EXPECT_EQ(print(u"microsoft xps document writer").front(), job.front());
  EXPECT_EQ(print(u"Microsoft XPS Document Writer (redirected)").front(), job.front());
  EXPECT_EQ(print(u"Microsoft XPS Document Writer").front(), job.front() + " to Распечатанный документ.xps");
  EXPECT_EQ(PrintFontHeight(300), -42);  // 41.67 rounded; the 600 dots above give 83.33
  // One message for each failure (the cancelled dialog's in both languages), none from the whole job.
  EXPECT_EQ(ui.Texts().size(), 6u);
}

// ---- The size text and the version.

TEST(SizeTextParseTest, AnyDecimalSizeOfSixtyFourBitsEndingWithinTheRead) {
  struct Bytes {
    char text[kSizeTextCapacity];
    char after[4];
  };
  const std::pair<const char*, std::optional<std::uint64_t>> kCases[] = {
      {"950000000\r\n", 950000000},
      {"0", 0},
      {"18446744073709551615", UINT64_MAX},
      {"18446744073709551616", std::nullopt},
      {"00000000000000000012", 12},
      {"000000000000000000012", std::nullopt},  // fills the read: more digits may follow
      {"+7", std::nullopt},  // no digit first, like an empty reply
  };
  for (const auto& [text, value] : kCases) {
    Bytes bytes{{}, {'3', '4', '5', '\0'}};
    std::memcpy(bytes.text, text, std::min(std::strlen(text), sizeof bytes.text));
    EXPECT_EQ(ParseSizeText(bytes.text), value) << text;
  }
}

TEST_F(WizardPartsTest, OwnVersionMatchesOnlyItsExactUpperCaseDigits) {
  // The four parts of our version, the server's four bytes, whether they match.
  const std::tuple<std::array<std::uint32_t, 4>, const char*, bool> kCases[] = {
      {{1, 1, 0, 0}, "1100", true},   {{1, 1, 0, 0}, "1200", false},   {{1, 1, 0, 15}, "110F", true},
      {{1, 1, 0, 15}, "110f", false}, {{1, 1, 0, 0}, "11\0\0", false}, {{1, 16, 0, 0}, "1100", false},
  };
  for (const auto& [parts, reply, matches] : kCases) {
    ResetInstallerState();
    g_ownVersionMajor = parts[0], g_ownVersionMinor = parts[1];
    g_ownVersionBuild = parts[2], g_ownVersionRevision = parts[3];
    std::memcpy(g_launcherVersionText, reply, 4);
    EXPECT_EQ(OwnVersionMatchesServer(), matches) << reply;
  }
  EXPECT_EQ(g_ownVersionText[1], '\0');  // the last case's 16 has no character, not even a 'G'
}
}  // namespace
