// The real Xq730QZInstaller.exe (QZ_GUI_PROGRAM, a Windows path) under Wine, driven from
// outside against qz serve: what only the real window shows. Its geometry and controls,
// each page's pixels against the page's own display list in both languages (a screenshot
// of each), the real boxes, and Cancel or the close box during the job's real threads.
// The page machine behind it is tested natively (wizard_test, wizard_parts_test).
#include <gtest/gtest.h>

#include <filesystem>
#include <iostream>
#include <stdexcept>
#include <tuple>

#include "app/state.h"
#include "online/server.h"
#include "platform/wide_text.h"
#include "support/local_server.h"
#include "support/served_sample.h"
#include "support/temp_dir.h"
#include "wine/gui_driver.h"
#include "wizard/disk_space.h"
#include "wizard/page_drawing.h"
#include "wizard/page_machine.h"
#include "wizard/version_check.h"
#include "workers/file_list.h"

namespace fs = std::filesystem;

namespace {
constexpr wchar_t kClass[] = L"XQ730QZINSTALLER";
constexpr wchar_t kCaption[] = L"Xq-730 QZ Installer v1.1";
constexpr std::uint64_t kSampleBytes = 24u << 20;  // jobs that last long enough to act during them
constexpr DWORD kJobTimeoutMs = 180000;

// A step that cannot go on ends the test: the steps after it would only wait out their timeouts.
template <typename T>
T Require(T value, const std::string& what) {
  if (!value) throw std::runtime_error(what);
  return value;
}

gui::Image Bitmap(int id) {
  static HMODULE program = LoadLibraryExW(_wgetenv(L"QZ_GUI_PROGRAM"), nullptr,
                                          LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  HANDLE bitmap = LoadImageW(program, MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION);
  return *Require(gui::Pixels(static_cast<HBITMAP>(bitmap)), "no bitmap resource " + std::to_string(id));
}

// Also the port of this process's DrawPage, whose one question to the window, whether
// Remove is checked, the real one answers.
class GuiTest : public ::testing::TestWithParam<bool>, public UiPort {
 protected:
  int ShowMessageBox(const MessageBoxRequest&) override { return kIdOk; }
  bool IsControlChecked(Control control) override { return gui::Checked(Item(control)); }

  void SetUp() override {
    if (_wgetenv(L"QZ_GUI_PROGRAM") == nullptr) GTEST_SKIP() << "QZ_GUI_PROGRAM does not name Xq730QZInstaller.exe";
    if (std::string reason = LocalServer::Unavailable(); !reason.empty()) GTEST_SKIP() << reason;
    sample = &SampleOfSize(kSampleBytes);
    ASSERT_TRUE(sample->addon.ok()) << sample->addon.error;
    CopyTree(sample->treeDir, server.Root());
    Serve(Resource::FilesSize, "12000000");  // 12 MB whatever the sample weighs
    ASSERT_TRUE(server.Start()) << server.Error();
    fs::remove(kVersionOverridePath, ignored);
    CleanRoot();
    ResetInstallerState();
    SetUi(this);
  }
  void TearDown() override {
    program.Kill();
    SetUi(nullptr);
    fs::remove_all(root, ignored);
  }

  void CleanRoot() {
    fs::remove_all(root, ignored);
    fs::create_directories(root);
  }
  bool Russian() const { return GetParam(); }
  void Serve(Resource resource, const std::string& text) { WriteFile(server.Root() + ResourcePath(resource), text); }

  // Starts the program (it inherits QZ_SERVER) and answers its language question.
  void Launch() {
    Require(program.Start(_wgetenv(L"QZ_GUI_PROGRAM")), "the program did not start");
    AnswerBox(L"Запустить приложение на Русском языке?\nLaunch the application in Russian?\n\nYes -> RU\nNo -> EN",
              nullptr, {IDYES, IDNO}, Russian() ? IDYES : IDNO);
    main = Require(program.WaitFor(kClass), "no main window");
    gui::Sync(main);
  }
  // Waits for a box of the program, checks it and answers it. An empty text is not
  // compared: the page machine's texts are the wizard tests', in both languages.
  void AnswerBox(const std::wstring& text, HWND owner, std::vector<int> buttons, int answer) {
    HWND box = Require(program.WaitFor(gui::kBoxClass), "no box");
    const gui::Box shown = gui::ReadBox(box);
    EXPECT_EQ(shown, gui::Box(kCaption, text.empty() ? std::get<1>(shown) : text, owner, buttons));
    gui::Answer(box, answer);
    gui::WaitUntil([&] { return !IsWindow(box); });
  }
  void AnswerCancelQuestion(int answer) { AnswerBox(L"", main, {IDOK, IDCANCEL}, answer); }
  void AnswerWarning(const std::wstring& text = L"") { AnswerBox(text, main, {IDOK}, IDOK); }

  HWND Item(Control control) const { return GetDlgItem(main, static_cast<int>(control)); }
  bool Shown(Control control) const { return gui::Visible(Item(control)); }
  // Returns once the window has also finished the message that showed or hid it.
  void WaitShown(Control control, bool shown = true, DWORD timeoutMs = gui::kTimeoutMs) {
    Require(gui::WaitUntil([&] { return Shown(control) == shown; }, timeoutMs),
            std::string(shown ? "never shown: " : "never hidden: ") + std::to_string(static_cast<int>(control)));
    gui::Sync(main);
  }
  // Clicks each once it is shown and enabled; the window takes the clicks in order. Posted,
  // so that a modal box a click opens does not block us.
  void Press(std::initializer_list<Control> controls) {
    for (Control control : controls) {
      Require(gui::WaitUntil([&] { return Shown(control) && IsWindowEnabled(Item(control)); }),
              "not pressable: " + std::to_string(static_cast<int>(control)));
      PostMessageW(Item(control), BM_CLICK, 0, 0);
    }
  }
  // Presses, waits for the page to show its control, then judges that page if one is named.
  void Go(std::initializer_list<Control> presses, Control shows, std::optional<Page> page = {},
          const std::string& variant = "") {
    Press(presses);
    WaitShown(shows);
    if (page) CheckPage(*page, variant);
  }
  void CloseBox() { PostMessageW(main, WM_CLOSE, 0, 0); }
  void LaunchToFolderPage() {
    Launch();
    Go({Control::Next, Control::Next, Control::Accept, Control::Next}, Control::Change);
  }
  // Waits for the last page, judges it if named, and leaves it with Finish.
  void Finish(std::optional<Page> page = {}, const std::string& variant = "") {
    WaitShown(Control::Finish, true, kJobTimeoutMs);
    if (page) CheckPage(*page, variant);
    Press({Control::Finish});
    EXPECT_EQ(program.WaitForExit(), std::optional<DWORD>(0));
  }

  // Captures the client area, keeps it as page<N>[variant]_<ru|en>.bmp and compares it with
  // DrawPage() for the state the window shows: picture pixels and opaque icon pixels exactly
  // (outside the texts and the visible controls), and pixels of each text's own colour in its
  // rectangle. A running job's page the program has left by the capture's end is not judged.
  void CheckPage(Page page, const std::string& variant = "", bool running = false) {
    SCOPED_TRACE("page " + std::to_string(page) + variant);
    // A running job moves its bar and texts, so its page never stands still: one capture
    // once the repaint has had time to reach the screen.
    const gui::Image shot =
        running ? (gui::Sync(main), Sleep(150), gui::CaptureClient(main)) : gui::CaptureSettled(main);
    if (running && Shown(Control::Finish)) {
      std::cout << "page " << page << " was left before its capture was taken: not judged\n";
      return;
    }
    ASSERT_EQ(program.Find(gui::kBoxClass), nullptr) << "a box covers the page";
    const wchar_t* folder = _wgetenv(L"QZ_GUI_SHOTS");  // unset: the current folder
    std::wstring name = WidenUtf8("page" + std::to_string(page) + variant + (Russian() ? "_ru.bmp" : "_en.bmp"));
    EXPECT_TRUE(gui::WriteBmp(folder != nullptr ? folder + (L"\\" + name) : name, shot));

    g_page = page;
    g_russian = Russian();
    g_installPhase = 1;  // page 6's phases differ only in the text of one rectangle
    std::snprintf(g_modelVersionText, sizeof g_modelVersionText, "%s", "1200");
    FillModelVersionLine();
    ASSERT_TRUE(page != PageFolder || ReportDiskSpace() == DiskSpaceResult::Done);
    const std::vector<DrawOp> ops = DrawPage();

    const int w = shot.width, h = shot.height;
    std::vector<std::int64_t> expected(shot.pixels.size(), -1);  // -1: not known
    std::vector<bool> text(shot.pixels.size(), false), control(shot.pixels.size(), false);
    auto each = [&](const auto& r, auto&& act) {
      for (int y = std::max<int>(r.top, 0); y < std::min<int>(r.bottom, h); ++y) {
        for (int x = std::max<int>(r.left, 0); x < std::min<int>(r.right, w); ++x) act(x, y, std::size_t(y) * w + x);
      }
    };
    for (HWND child = GetWindow(main, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
      if (!IsWindowVisible(child) || child == Item(Control::FolderGroup)) continue;  // a frame the page shows through
      each(gui::RectInParent(child), [&](int, int, std::size_t i) { control[i] = true; });
    }
    // The pictures come first in a display list: each text is judged over those beneath it.
    for (const DrawOp& op : ops) {
      if (op.kind != DrawOp::Kind::Text) {
        const gui::Image image = Bitmap(op.resource);
        each(RECT{op.x, op.y, op.x + image.width, op.y + image.height}, [&](int x, int y, std::size_t i) {
          std::uint32_t pixel = image.At(x - op.x, y - op.y);
          bool opaque = op.kind == DrawOp::Kind::Picture || pixel >> 24 == 0xFF;  // blended pixels are not compared
          expected[i] = opaque ? static_cast<std::int64_t>(pixel & 0xFFFFFF) : -1;
        });
        continue;
      }
      each(op.rect, [&](int, int, std::size_t i) { text[i] = true; });
      bool blank = op.narrow ? op.narrowText.find_first_not_of(' ') == std::string::npos
                             : op.text.find_first_not_of(u' ') == std::u16string::npos;
      if (blank) continue;
      // Pixels of the text's colour that the pictures underneath lack: a text in the wrong
      // colour (a disk line in red or not) has none. The display list's 0x00BBGGRR is a
      // captured pixel's 0x00RRGGBB turned around.
      const std::uint32_t colour = ((op.colour & 0xFF) << 16) | (op.colour & 0xFF00) | ((op.colour >> 16) & 0xFF);
      std::size_t own = 0;
      each(op.rect,
           [&](int, int, std::size_t i) { own += !control[i] && shot.pixels[i] == colour && expected[i] != colour; });
      EXPECT_GE(own, 3u) << "no text of colour " << std::hex << op.colour << std::dec << " at " << op.rect.left << ","
                         << op.rect.top;
    }
    std::size_t wrong = 0, first = 0;
    for (std::size_t i = 0; i < shot.pixels.size(); ++i) {
      bool judged = !text[i] && !control[i] && expected[i] >= 0;
      if (judged && expected[i] != shot.pixels[i] && wrong++ == 0) first = i;
    }
    EXPECT_EQ(wrong, 0u) << "pixels unlike the pictures, the first at " << first % w << "," << first / w;
  }

  const ServedSample* sample = nullptr;
  LocalServer server;
  const std::string root = kDefaultSimRoot;
  std::error_code ignored;
  gui::Process program;
  HWND main = nullptr;
};
}  // namespace

// Every page of an install and of a removal (the maintenance page on its way). Repairing is
// the install's own flow and worker, tested natively, and the list a removal refuses deletes
// nothing (worker_test): here the refused list only leads to the removing page.
TEST_P(GuiTest, WindowControlsAndEveryPageOfInstallAndRemovalMatchTheirTables) {
  Launch();
  // The window's caption, style, centred place, a client area that holds the pictures, and
  // every control of the table as created.
  const LONG kFrame = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME;
  RECT outer{}, client{};
  GetWindowRect(main, &outer);
  GetClientRect(main, &client);
  EXPECT_EQ(std::tuple(gui::Text(main), GetWindowLongW(main, GWL_STYLE) & kFrame, outer.left, outer.top,
                       outer.right - outer.left, outer.bottom - outer.top, client.right >= 526 && client.bottom >= 329),
            std::tuple(kCaption, WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, GetSystemMetrics(SM_CXSCREEN) / 2 - 270,
                       GetSystemMetrics(SM_CYSCREEN) / 2 - 207, 540, 415, true));
  for (const ControlSpec& spec : WizardControls()) {
    SCOPED_TRACE(spec.className + std::string(" ") + std::to_string(spec.id));
    // Created with the table's class, which is how the two without an id are found; one
    // that is missing shows an empty place.
    HWND control =
        spec.id != 0 ? Item(spec.control) : FindWindowExW(main, nullptr, WidenUtf8(spec.className).c_str(), nullptr);
    // Inside the client area, shown as on the splash (Next and Cancel), checked and
    // captioned as the table says; the two without an id have no caption in it (the
    // licence box's text is looked at on its page).
    RECT place = gui::RectInParent(control);
    EXPECT_EQ(std::tuple(place.left, place.top, place.right - place.left, place.bottom - place.top,
                         place.right <= client.right && place.bottom <= client.bottom, gui::Visible(control),
                         gui::Checked(control), spec.id != 0 ? gui::Text(control) : L""),
              std::tuple(spec.x, spec.y, spec.width, spec.height, true, (spec.style & kWsVisible) != 0,
                         spec.checked, WidenUtf8(Russian() ? spec.russian : spec.english)));
  }
  CheckPage(PageSplash);
  Go({Control::Next}, Control::Back, PageWelcome);
  CloseBox();  // the real box's Cancel keeps the program on its page
  AnswerCancelQuestion(IDCANCEL);
  Go({Control::Next}, Control::Accept);
  EXPECT_FALSE(IsWindowEnabled(Item(Control::Next)));  // until the licence is accepted
  EXPECT_GT(SendMessageW(FindWindowExW(main, nullptr, L"Edit", nullptr), WM_GETTEXTLENGTH, 0, 0), 100);
  CheckPage(PageLicence);
  Go({Control::Accept, Control::Next}, Control::Change, PageFolder);
  Go({Control::Next}, Control::Install, PageReady);
  Press({Control::Install});
  WaitShown(Control::Install, false);
  CheckPage(PageInstalling, "", true);
  Finish(PageFinished);
  EXPECT_EQ(sample->IdenticalListedFiles(root), sample->addon.listed.size());

  const std::vector<std::uint8_t> list = ReadFile(server.Root() + ResourcePath(Resource::FileList));
  Serve(Resource::FileList, "<html>404</html>");
  LaunchToFolderPage();
  Go({Control::Next}, Control::Repair, PageMaintenance);
  Press({Control::Remove, Control::Next, Control::Delete});
  AnswerWarning(Russian() ? L"Файл \"List\" не найден!" : L"File \"List\" not found!");
  CheckPage(PageRemoving);
  Press({Control::Cancel});
  AnswerCancelQuestion(IDOK);
  EXPECT_EQ(program.WaitForExit(), std::optional<DWORD>(0));
  Serve(Resource::FileList, std::string(list.begin(), list.end()));
  LaunchToFolderPage();
  Go({Control::Next, Control::Remove, Control::Next}, Control::Delete, PageReady, "_delete");
  Press({Control::Delete});
  Finish(PageFinished, "_delete");
  for (const std::string& entry : sample->addon.listed) EXPECT_FALSE(Exists(root + "/" + entry)) << entry;
}

// Cancel and the close box may land in any phase of the job. Whichever it is, the process
// ends with 0 while its worker still runs, and after Cancel nothing of the package stays
// (the close box deletes nothing). The language changes only the question's words, so
// each language takes two of the four cases.
TEST_P(GuiTest, CancelOrCloseDuringTheDownloadOrTheUnpackingEndsTheProcess) {
  // The unpacking is caught by its first decoded file: the decoders follow the cut, so the
  // temporaries come and go quickly, and the last one appears when little is left to do.
  const std::string firstTarget = root + "/" + sample->addon.listed.front();
  for (bool closeBox : {false, true}) {
    const bool unpacking = closeBox == Russian();
    SCOPED_TRACE(std::string(closeBox ? "Close box" : "Cancel") + (unpacking ? ", unpacking" : ", download"));
    CleanRoot();
    LaunchToFolderPage();
    Press({Control::Next, Control::Install});
    WaitShown(Control::Install, false);
    if (unpacking) gui::WaitUntil([&] { return Exists(firstTarget) || Shown(Control::Finish); }, kJobTimeoutMs);
    closeBox ? CloseBox() : Press({Control::Cancel});
    Require(gui::WaitUntil([&] { return program.Find(gui::kBoxClass) || Shown(Control::Finish); }, kJobTimeoutMs),
            "neither a box nor the finished page");
    if (program.Find(gui::kBoxClass) == nullptr) {  // clicked while the temporaries were deleted: ignored then
      Finish();
      continue;
    }
    AnswerCancelQuestion(IDOK);
    EXPECT_EQ(program.WaitForExit(kJobTimeoutMs), std::optional<DWORD>(0));
    if (closeBox) continue;
    EXPECT_FALSE(Exists(root + "/" + kPackageFileName));
    for (const auto& entry : fs::recursive_directory_iterator(root)) EXPECT_NE(entry.path().extension(), kTempSuffix);
  }
}

// The mutex is held from the start: a second instance is refused while the first still
// asks for its language (Russian run) or shows its window (English run).
TEST_P(GuiTest, SecondInstanceIsRefusedWithoutTheLanguageQuestion) {
  gui::Process first;
  Require(first.Start(_wgetenv(L"QZ_GUI_PROGRAM")), "the program did not start");
  HWND question = Require(first.WaitFor(gui::kBoxClass), "no language question");
  if (!Russian()) {
    gui::Answer(question, IDNO);
    Require(first.WaitFor(kClass), "no main window");
  }
  Require(program.Start(_wgetenv(L"QZ_GUI_PROGRAM")), "the second instance did not start");
  AnswerBox(L"Приложение уже запущено!\nThe application is already running!", nullptr, {IDOK}, IDOK);
  EXPECT_EQ(program.WaitForExit(), std::optional<DWORD>(0));
  EXPECT_EQ(first.WaitForExit(0), std::nullopt);  // still running
}

// The first Next with an outdated installer: the real warning (its text is the wizard
// tests'), then the failed page.
TEST_P(GuiTest, OutdatedInstallerEndsOnTheFailedPageAtTheFirstNext) {
  Serve(Resource::LauncherVersion, "1200");
  Launch();
  Press({Control::Next});
  AnswerWarning();
  Finish(PageFailed);
}

INSTANTIATE_TEST_SUITE_P(Languages, GuiTest, ::testing::Values(true, false),
                         [](const auto& run) { return std::string(run.param ? "Russian" : "English"); });
