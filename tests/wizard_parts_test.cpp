// The wizard's pieces that need no server: the window's data, the pages as display
// lists, the folder pick and the markers, the print job, the size text and the version.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <optional>
#include <set>

#include "app/size_text.h"
#include "app/state.h"
#include "support/recording_ui.h"
#include "support/temp_dir.h"
#include "support/text.h"
#include "wizard/disk_space.h"
#include "wizard/folder.h"
#include "wizard/page_drawing.h"
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

TEST(WindowDataTest, EveryControlIsFoundByItsIdAndGetsItsFontOnce) {
  std::multiset<Control> fonted(FontSettingOrder().begin(), FontSettingOrder().end());
  for (const ControlSpec& spec : WizardControls()) {
    SCOPED_TRACE(ControlName(spec.control));
    EXPECT_EQ(&ControlSpecOf(spec.control), &spec);
    EXPECT_EQ(spec.id, spec.id == 0 ? 0 : static_cast<int>(spec.control));
    EXPECT_EQ(fonted.count(spec.control), spec.font == Font::None ? 0u : 1u);  // all but the bar
  }
  EXPECT_EQ(PicturesToLoad(true).back(), kPictureFailedRu);
  EXPECT_EQ(PicturesToLoad(false).back(), kPictureFailedEn);
}

TEST(WindowDataTest, LicenceJoinsFivePiecesAndNeverOverflowsItsBuffer) {
  EXPECT_EQ(AssembleLicenceText({u"a", u"b", u"c", u"d", u"e"}), u"a\r\nb\r\n\r\n\r\nc\r\nd\r\n\r\n\r\ne");
  std::u16string exact(kLicenceCapacity - 16, u'x');  // with the 16 characters between pieces: one too many
  std::u16string cut = AssembleLicenceText({exact, u"", u"", u"", u""});
  EXPECT_EQ(cut.size(), kLicenceCapacity - 1);
  EXPECT_EQ(cut.substr(0, exact.size() + 2), exact + u"\r\n");
}

TEST(WindowDataTest, MainWindowIsCentredByTruncatedHalvesAndGrowsForAThickerFrame) {
  const std::pair<std::array<int, 4>, std::array<int, 4>> kCases[] = {
      {{800, 600, 536, 400}, {130, 93, 540, 415}},
      {{301, 0, 0, 0}, {-120, -207, 540, 415}},  // left of the screen's edge, truncated toward zero
      {{800, 600, 543, 420}, {400 - 271, 300 - 210, 543, 420}},
  };
  for (const auto& [in, out] : kCases) {
    WindowPlacement placed = PlaceMainWindow(in[0], in[1], in[2], in[3]);
    EXPECT_EQ((std::array{placed.x, placed.y, placed.width, placed.height}), out) << in[0] << "x" << in[1];
  }
}

// ---- Pages as display lists.

std::vector<std::string> Texts(const std::vector<DrawOp>& ops) {
  std::vector<std::string> texts;
  for (const DrawOp& op : ops) {
    if (op.kind == DrawOp::Kind::Text) texts.push_back(Utf8(op.text));
  }
  return texts;
}

// A page's layout in short: each picture or icon at its place, each text by its flags.
std::string Layout(const std::vector<DrawOp>& ops) {
  std::string layout;
  for (const DrawOp& op : ops) {
    bool text = op.kind == DrawOp::Kind::Text;
    layout += text ? " T" + std::to_string(op.flags)
                   : (op.kind == DrawOp::Kind::Icon ? " I" : " P") + std::to_string(op.x) + "," + std::to_string(op.y);
  }
  return layout.substr(1);
}

TEST_F(WizardPartsTest, EveryPageHasItsLayoutInBothLanguagesWithItsOwnTexts) {
  const char* kLayouts[] = {
      "P0,0",
      "P0,0 T17 T16 T1 T16 T16",
      "P0,0 P80,329 P10,323 T1 T0",
      "P0,0 P80,329 P10,323 I25,180 T1 T16 T262160 T0 T0",
      "P0,0 P80,329 P10,323 I30,80 I30,200 T1 T16 T16",
      "P0,0 P80,329 P10,323 I30,200 T1 T16",
      "P0,0 P80,329 P10,323 I30,70 T1 T16 T16 T0",  // downloading: the size beside the phase
      "P0,0 P80,329 P10,323 I30,70 T1 T16 T16",
      "P0,0 T17 T16",
      "P0,0 T17 T16",
  };
  for (std::uint32_t page = PageSplash; page <= PageFailed; ++page) {
    SCOPED_TRACE(page);
    g_page = page;
    g_russian = false;
    std::vector<DrawOp> english = DrawPage();
    EXPECT_EQ(Layout(english), kLayouts[page]);
    g_russian = true;
    std::vector<DrawOp> russian = DrawPage();
    ASSERT_EQ(english.size(), russian.size());
    for (std::size_t i = 0; i < english.size(); ++i) {
      const DrawOp &en = english[i], &ru = russian[i];
      EXPECT_EQ(std::tie(en.kind, en.x, en.y, en.rect, en.font, en.flags, en.colour),
                std::tie(ru.kind, ru.x, ru.y, ru.rect, ru.font, ru.flags, ru.colour));
      bool words = std::any_of(en.text.begin(), en.text.end(), [](char16_t c) { return c >= u'a' && c <= u'z'; });
      if (words) {
        EXPECT_NE(Utf8(ru.text), Utf8(en.text));
        EXPECT_TRUE(std::any_of(ru.text.begin(), ru.text.end(), [](char16_t c) { return c >= 0x400; }));
      }
    }
  }
  g_page = 10;
  EXPECT_TRUE(DrawPage().empty());
}

TEST_F(WizardPartsTest, FolderPageWarnsInRedWhenTheSpaceIsNotMoreThanRequired) {
  g_page = PageFolder;
  g_spaceRequired = 1500000000;
  const std::pair<std::uint64_t, std::uint32_t> kCases[] = {
      {200000000000, g_textColour},
      {1500000000, g_warnColour},
      {0, g_warnColour},
  };
  for (const auto& [available, colour] : kCases) {
    g_spaceAvailable = available;
    std::vector<DrawOp> ops = DrawPage();
    ASSERT_EQ(ops.size(), 9u);
    EXPECT_EQ(ops[8].colour, colour) << available;
    // The folder in the system's code page.
    EXPECT_EQ(std::tie(ops[6].narrow, ops[6].narrowText), std::make_tuple(true, std::string(g_simRoot)));
  }
}

TEST_F(WizardPartsTest, ReadyAndFinishedPagesFollowTheRemoveChoice) {
  g_russian = false;
  for (bool removal : {false, true}) {
    ui.CheckControl(Control::Remove, removal);
    g_page = PageReady;
    std::vector<DrawOp> ops = DrawPage();
    EXPECT_EQ(ops[3].resource, removal ? kPictureBin : kPictureTools);
    EXPECT_EQ(Texts(ops)[0], removal ? "Ready to uninstall the program" : "Ready to install the program");
    EXPECT_NE(Texts(ops)[1].find(removal ? "Click \"Delete\"" : "Click \"Install\""), std::string::npos);
    g_page = PageFinished;
    ops = DrawPage();
    EXPECT_EQ(ops[0].resource, kPictureFinishedEn);
    EXPECT_EQ(Texts(ops)[1].find(removal ? "    \"Xq-730 QZ Installer\" has successfully removed"
                                         : "    \"Xq-730 QZ Installer\" has successfully installed"),
              0u);
  }
}

TEST_F(WizardPartsTest, InstallingPageShowsThePhaseAndTheSizeOnlyWhileDownloading) {
  g_page = PageInstalling;
  g_russian = false;
  WideText64 info{};
  std::copy_n(u"175.3 MB", 8, info.begin());
  SetDownloadInfo(info);
  const std::pair<std::uint32_t, std::vector<std::string>> kPhases[] = {
      {0, {"Downloading archive...", "175.3 MB"}},
      {1, {"Unpacking files..."}},
      {2, {"Deleting temporary files..."}},
      {3, {}},
  };
  for (const auto& [phase, status] : kPhases) {
    g_installPhase = phase;
    std::vector<std::string> texts = Texts(DrawPage());
    ASSERT_GE(texts.size(), 2u);  // the title and the request to wait, then the status
    EXPECT_EQ(std::vector(texts.begin() + 2, texts.end()), status) << phase;
  }
}

// ---- The folder and the markers.

TEST_F(WizardPartsTest, FolderPickNormalisesTheSeparatorsAndRefusesWhatItCannotStore) {
  // The folder picked (none: cancelled), the root afterwards, whether a warning came.
  const std::tuple<std::optional<std::string>, const char*, bool> kCases[] = {
      {std::string(), kDefaultSimRoot, true},
      {std::string("D:\\Games\\P3D"), "D:/Games/P3D", false},
      {std::nullopt, "D:/Games/P3D", false},  // cancelling keeps the changed folder
      {std::string("E:\\"), "E:/", false},
      {std::string(300, 'x'), "E:/", true},
  };
  for (const auto& [picked, root, warned] : kCases) {
    std::size_t boxes = ui.Boxes().size(), repaints = ui.Log("repaint").size();
    g_spaceAvailable = 1;  // the old folder's drive
    StoreWideText(g_spaceAvailableLine, u"old");
    ui.PickFolder(picked);
    BrowseForSimRoot();
    EXPECT_STREQ(g_simRoot, root);
    EXPECT_EQ(ui.Boxes().size() - boxes, warned ? 1u : 0u);
    bool changed = picked && !warned;
    EXPECT_EQ(ui.Log("repaint").size() - repaints, changed ? 1u : 0u);
    SizeText free = FormatSizeText(g_spaceAvailable, true);  // measured anew for a new folder
    EXPECT_EQ(std::u16string(g_spaceAvailableLine),
              changed ? u"Доступно на диске: " + free.number + u" " + free.unit : u"old");
    EXPECT_EQ(g_spaceAvailable == 1, !changed);
  }
  EXPECT_EQ(ui.Texts().front(), "Необходимо указать путь к корневой папке симулятора Prepar3D");
  EXPECT_EQ(ui.Boxes().front().flags, unsigned{kMbIconExclamation});
  EXPECT_EQ(ui.Log("browse").front(), "browse Укажите путь к папке Prepar3D flags 514");
  g_russian = false;
  ui.PickFolder(std::string());
  BrowseForSimRoot();
  EXPECT_EQ(ui.Texts().back(), "You must specify the path to the root folder of the Prepar3D simulator");
}

TEST_F(WizardPartsTest, AnyMarkerRevealsAnInstallationUnlessItWouldNotFitItsBuffer) {
  TempDir dir;
  for (const char* marker : kMarkerSuffixes) {
    std::string root = dir / ("root" + std::to_string(marker[1]));
    std::snprintf(g_simRoot, sizeof g_simRoot, "%s", root.c_str());
    EXPECT_FALSE(IsAddonInstalled());
    WriteFile(root + marker, std::string("x"));
    EXPECT_TRUE(IsAddonInstalled()) << marker;
  }
  // A root of 220 characters: the first and third markers fit in 259, the second does not.
  std::string root = dir / std::string(219 - dir.Path().size(), 'r');
  ASSERT_EQ(root.size(), 220u);
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

// A printer that logs what is asked of it and fails where it is told to.
class FakePrinter final : public PrintDevice {
 public:
  struct Script {
    int startDocResult = 1;                  // the system's: above 0 is a print job
    int failStartPageAt = 0, failDrawAt = 0;  // 1-based; 0 never
  };
  FakePrinter(std::vector<std::string>& log, Script script) : log_(log), script_(script) {}
  ~FakePrinter() override { log_.push_back("released"); }
  int StartDocument(const std::u16string& name, const std::u16string* output) override {
    log_.push_back("doc " + Utf8(name) + (output ? " to " + Utf8(*output) : ""));
    return script_.startDocResult;
  }
  int StartPage() override {
    log_.push_back("page");
    return ++page_ == script_.failStartPageAt ? 0 : 1;
  }
  int DeviceCaps(Cap cap) override { return cap == Cap::LogPixelsY ? 600 : cap == Cap::HorzRes ? 4960 : 7016; }
  void SelectFont(int height, const std::u16string& face) override {
    log_.push_back("font " + std::to_string(height) + " " + Utf8(face));
  }
  int DrawTextIn(const std::u16string& text, const Rect& r, unsigned flags) override {
    log_.push_back("text " + Utf8(text) + " in " + std::to_string(r.left) + "," + std::to_string(r.top) + "," +
                   std::to_string(r.right) + "," + std::to_string(r.bottom) + " flags " + std::to_string(flags));
    return page_ == script_.failDrawAt ? 0 : 100;
  }
  int EndPage() override { return log_.push_back("end page"), 1; }
  int EndDoc() override { return log_.push_back("end doc"), 1; }
  int AbortDoc() override { return log_.push_back("abort doc"), 1; }

 private:
  std::vector<std::string>& log_;
  Script script_;
  int page_ = 0;
};

TEST_F(WizardPartsTest, PrintsTheRussianPiecesOnePerPageAndEveryFailureShowsItsMessageAndStopsThere) {
  // Prints with a dialog that chose this printer; the printer's log.
  auto print = [this](const std::u16string& printer, FakePrinter::Script script = {}, bool withDevice = true) {
    std::vector<std::string> log;
    ui.SetPrinter([&]() {
      PrinterChoice choice{true, printer, nullptr};
      if (withDevice) choice.device = std::make_unique<FakePrinter>(log, script);
      return choice;
    });
    PrintLicence();
    return log;
  };
  g_russian = false;
  ui.SetPrinter([] { return PrinterChoice{}; });  // the dialog was cancelled
  PrintLicence();
  g_russian = true;
  PrintLicence();
  EXPECT_EQ(std::make_tuple(ui.Boxes().front().flags, ui.Boxes().front().owner),
            std::make_tuple(unsigned{kMbOk}, BoxOwner::MainWindow));

  g_russian = false;  // the pieces are the Russian ones in any language; the other messages have a Russian text only
  EXPECT_TRUE(print(u"HP", {}, false).empty());
  std::vector<std::string> job = {"doc Лицензионное соглашение с конечным пользователем"};
  for (const char* piece : {"один", "два", "три", "четыре", "пять"}) {
    job.insert(job.end(), {"page", "font -83 Verdana",
                           std::string("text ") + piece + " in 500,300,4710,6819 flags 80", "end page"});
  }
  // The printer's script, how many entries of the whole job's log it gets through, how its log ends.
  const std::tuple<FakePrinter::Script, std::size_t, std::vector<std::string>> kJobs[] = {
      {{}, job.size(), {"end doc", "released"}},
      {{-1, 0, 0}, 1, {"released"}},               // the document refused, with -1 or 0
      {{0, 0, 0}, 1, {"released"}},
      {{1, 3, 0}, 10, {"abort doc", "released"}},  // the third page refused, after its "page"
      {{1, 0, 1}, 4, {"abort doc", "released"}},   // the first page's text refused
  };
  for (const auto& [script, through, end] : kJobs) {
    std::vector<std::string> log(job.begin(), job.begin() + static_cast<std::ptrdiff_t>(through));
    log.insert(log.end(), end.begin(), end.end());
    EXPECT_EQ(print(u"HP LaserJet", script), log) << through;
  }
  // Only the XPS writer, by its exact name, gets the output file.
  for (const char16_t* name : {u"Microsoft XPS Document Writer (redirected)", u"microsoft xps document writer"}) {
    EXPECT_EQ(print(name).front(), job.front());
  }
  EXPECT_EQ(print(u"Microsoft XPS Document Writer").front(), job.front() + " to Распечатанный документ.xps");
  EXPECT_EQ(PrintFontHeight(300), -42);  // 41.67 rounded; the 600 dots above give 83.33
  // Every message once, and none from the whole job.
  EXPECT_EQ(ui.Texts(), (std::vector<std::string>{"Failed to get printer!", "Не удалось получить принтер!",
                                                  "Не удалось получить контекст устройства (принтера)!",
                                                  "Не получилось поставить новый документ в очередь печати!",
                                                  "Не получилось поставить новый документ в очередь печати!",
                                                  "Не получилось начать печать страницы!",
                                                  "Не получилось вывести на страницу текст!"}));
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
      {" 12", std::nullopt},
      {"+7", std::nullopt},
      {"", std::nullopt},
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
      {{1, 1, 0, 0}, "1100", true},   {{1, 1, 0, 0}, "1200", false},   {{1, 1, 0, 10}, "110A", true},
      {{1, 1, 0, 10}, "110a", false}, {{1, 1, 0, 0}, "11\0\0", false}, {{1, 16, 0, 0}, "1100", false},
      {{1, 16, 0, 0}, "1G00", false},
  };
  for (const auto& [parts, reply, matches] : kCases) {
    ResetInstallerState();
    g_ownVersionMajor = parts[0], g_ownVersionMinor = parts[1];
    g_ownVersionBuild = parts[2], g_ownVersionRevision = parts[3];
    std::memcpy(g_launcherVersionText, reply, 4);
    EXPECT_EQ(OwnVersionMatchesServer(), matches) << reply;
  }
  EXPECT_EQ(g_ownVersionText[1], '\0');  // the last case's 16 has no character
}
}  // namespace
