// The window as data: the controls in creation order, the fonts, the pictures by
// language and the licence text. The Win32 front end creates the window from these.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ui_port.h"

// Style values, as the platform defines them.
enum : unsigned {
  kWsChild = 0x40000000,
  kWsVisible = 0x10000000,
  kWsVScroll = 0x00200000,
  kWsGroup = 0x00020000,
  kEsMultiline = 0x0004,
  kEsReadOnly = 0x0800,
  kPbsSmooth = 0x01,
  kBsDefPushButton = 0x01,
  kBsGroupBox = 0x07,
  kBsAutoRadioButton = 0x09,
  kBsIcon = 0x40,
  kWsExClientEdge = 0x200,
};

enum class Font { None, Button, Title, Medium, Body };

struct FontSpec {
  Font font;
  const char16_t* face;
  int height;  // pixels
  int weight;
};
// The four fonts: CreateFontW with these, ClearType quality, everything else default.
const std::array<FontSpec, 4>& WizardFonts();

struct ControlSpec {
  Control control;
  int id;  // the window id: 0 for the licence text box and the progress bar
  const char* className;
  unsigned style;
  unsigned exStyle;
  int x, y, width, height;
  const char* russian;  // UTF-8 captions
  const char* english;
  Font font;
  bool checked;  // checked right after creation
  int icon;      // icon resource set as the button's image, 0 for none
};
// Every control of every page, in the order of creation.
const std::vector<ControlSpec>& WizardControls();
// The order in which the fonts are set on the controls after they exist.
const std::vector<Control>& FontSettingOrder();
const ControlSpec& ControlSpecOf(Control control);

// The main window: title bar, system menu and minimise box; no sizing border.
constexpr unsigned kMainWindowStyle = 0x00CA0000;
constexpr int kMainWindowWidth = 540;
constexpr int kMainWindowHeight = 415;
// What the client area must hold: the full-size pictures and the buttons.
constexpr int kClientNeededWidth = 526;
constexpr int kClientNeededHeight = 365;

struct WindowPlacement {
  int x, y, width, height;
};
// The window centred on the screen, each half truncated toward zero. Its outer size is
// 540 x 415 unless the platform's frame needs more for the client area above
// (neededWidth and neededHeight are the outer size that holds it).
WindowPlacement PlaceMainWindow(int screenWidth, int screenHeight, int neededWidth, int neededHeight);

// The progress bar's set-up, besides its range of g_progressScale: step and colours (0x00BBGGRR).
constexpr int kProgressStep = 1;
constexpr std::uint32_t kProgressBarColour = 0x00AA7300;
constexpr std::uint32_t kProgressBackColour = 0x00BEBEBE;

// Pictures and icons of the program's resources.
enum Picture : int {
  kPictureSplash = 10000,
  kPictureWelcomeRu = 10010,
  kPictureWelcomeEn = 10015,
  kPictureHeader = 10020,
  kPictureFolder = 10120,
  kPictureRule = 10130,
  kPictureLogo = 10140,
  kPictureRunning = 10180,
  kPictureFinishedRu = 10200,
  kPictureFinishedEn = 10205,
  kPictureFailedRu = 10210,
  kPictureFailedEn = 10215,
  kPictureTools = 10240,
  kPictureBin = 10250,
};
constexpr int kPrintIcon = 10150;
// The pictures to load, in order: the common ones, then the chosen language's three.
std::vector<int> PicturesToLoad(bool russian);

// The licence agreement of one language in its five pieces.
using LicencePieces = std::array<std::u16string_view, 5>;
struct LicenceTexts {
  LicencePieces russian;
  LicencePieces english;
};
// The agreement the program carries; the front end that holds the texts installs them.
const LicenceTexts& Licence();
void SetLicence(const LicenceTexts& texts);

constexpr std::size_t kLicenceCapacity = 20000;
// The pieces joined as "%s\r\n%s\r\n\r\n\r\n%s\r\n%s\r\n\r\n\r\n%s", at most 19999
// characters: a longer text is cut there rather than lost.
std::u16string AssembleLicenceText(const LicencePieces& pieces);
