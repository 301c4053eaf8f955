#include "wizard/window_data.h"

#include <algorithm>
#include <cstdint>

const std::array<FontSpec, 4>& WizardFonts() {
  static const std::array<FontSpec, 4> kFonts = {{
      {Font::Button, u"Arial", 15, 500},
      {Font::Title, u"Verdana", 14, 700},
      {Font::Medium, u"Verdana", 14, 400},
      {Font::Body, u"Verdana", 13, 400},
  }};
  return kFonts;
}

const std::vector<ControlSpec>& WizardControls() {
  static const std::vector<ControlSpec> kControls = {
      {Control::LicenceText, 0, "Edit", kWsChild | kWsVScroll | kEsMultiline | kEsReadOnly, kWsExClientEdge, 20, 80,
       488, 190, "", "", Font::Body, false, 0},
      {Control::ProgressBar, 0, "msctls_progress32", kWsChild | kPbsSmooth, kWsExClientEdge, 50, 280, 420, 9, "", "",
       Font::None, false, 0},
      {Control::Next, 10030, "button", kWsChild | kWsVisible | kBsDefPushButton, 0, 340, 340, 80, 25, "Далее >",
       "Next >", Font::Button, false, 0},
      {Control::Install, 10060, "button", kWsChild | kBsDefPushButton, 0, 340, 340, 80, 25, "Установить", "Install",
       Font::Button, false, 0},
      {Control::Delete, 10260, "button", kWsChild | kBsDefPushButton, 0, 340, 340, 80, 25, "Удалить", "Delete",
       Font::Button, false, 0},
      {Control::Finish, 10190, "button", kWsChild | kBsDefPushButton, 0, 340, 340, 80, 25, "Готово", "Finish",
       Font::Button, false, 0},
      {Control::Back, 10040, "button", kWsChild, 0, 250, 340, 80, 25, "< Назад", "< Back", Font::Button, false, 0},
      {Control::Cancel, 10070, "button", kWsChild | kWsVisible, 0, 430, 340, 80, 25, "Отмена", "Cancel", Font::Button,
       false, 0},
      {Control::Change, 10050, "button", kWsChild, 0, 410, 192, 85, 30, " Изменить...", " Change...", Font::Button,
       false, 0},
      {Control::Accept, 10080, "button", kWsChild | kWsGroup | kBsAutoRadioButton, 0, 40, 275, 360, 25,
       "Я принимаю условия лицензионного соглашения", "I accept the terms of the license agreement", Font::Body, false,
       0},
      {Control::Reject, 10090, "button", kWsChild | kBsAutoRadioButton, 0, 40, 295, 360, 25,
       "Я не принимаю условия лицензионного соглашения", "I don`t accept the terms of the license agreement",
       Font::Body, true, 0},
      {Control::Print, 10100, "button", kWsChild | kBsIcon, 0, 440, 279, 70, 40, "", "", Font::Body, false, kPrintIcon},
      {Control::FolderGroup, 10160, "button", kWsChild | kBsGroupBox, 0, 20, 150, 486, 110, "Папка установки",
       "Installation folder", Font::Body, false, 0},
      {Control::Repair, 10220, "button", kWsChild | kWsGroup | kBsAutoRadioButton, 0, 120, 100, 360, 25,
       "Исправить (обновить)", "Repair (update)", Font::Medium, false, 0},
      {Control::Remove, 10230, "button", kWsChild | kBsAutoRadioButton, 0, 120, 220, 360, 25, "Удалить", "Delete",
       Font::Medium, false, 0},
  };
  return kControls;
}

const std::vector<Control>& FontSettingOrder() {
  static const std::vector<Control> kOrder = {
      Control::Next,        Control::Install, Control::Back,   Control::Cancel, Control::Change,
      Control::LicenceText, Control::Accept,  Control::Reject, Control::Print,  Control::FolderGroup,
      Control::Finish,      Control::Repair,  Control::Remove, Control::Delete,
  };
  return kOrder;
}

const ControlSpec& ControlSpecOf(Control control) {
  for (const ControlSpec& spec : WizardControls()) {
    if (spec.control == control) return spec;
  }
  return WizardControls().front();  // every Control is in the table
}

WindowPlacement PlaceMainWindow(int screenWidth, int screenHeight, int neededWidth, int neededHeight) {
  int width = std::max(kMainWindowWidth, neededWidth);
  int height = std::max(kMainWindowHeight, neededHeight);
  return {screenWidth / 2 - width / 2, screenHeight / 2 - height / 2, width, height};
}

std::vector<int> PicturesToLoad(bool russian) {
  std::vector<int> pictures = {kPictureSplash, kPictureHeader,  kPictureRule,  kPictureLogo,
                               kPictureFolder, kPictureRunning, kPictureTools, kPictureBin};
  if (russian) {
    pictures.insert(pictures.end(), {kPictureWelcomeRu, kPictureFinishedRu, kPictureFailedRu});
  } else {
    pictures.insert(pictures.end(), {kPictureWelcomeEn, kPictureFinishedEn, kPictureFailedEn});
  }
  return pictures;
}

namespace {
LicenceTexts g_licence;
}

const LicenceTexts& Licence() { return g_licence; }
void SetLicence(const LicenceTexts& texts) { g_licence = texts; }

std::u16string AssembleLicenceText(const LicencePieces& pieces) {
  static constexpr std::u16string_view kAfter[5] = {u"\r\n", u"\r\n\r\n\r\n", u"\r\n", u"\r\n\r\n\r\n", u""};
  std::u16string text;
  for (std::size_t i = 0; i < pieces.size(); ++i) {
    text.append(pieces[i]);
    text.append(kAfter[i]);
  }
  if (text.size() >= kLicenceCapacity) text.resize(kLicenceCapacity - 1);
  return text;
}
