#include "wizard/page_drawing.h"

#include "app/state.h"

namespace {
using Ops = std::vector<DrawOp>;

void AddImage(Ops& ops, DrawOp::Kind kind, int resource, int x, int y) {
  DrawOp op;
  op.kind = kind;
  op.resource = resource;
  op.x = x;
  op.y = y;
  ops.push_back(std::move(op));
}
void AddPicture(Ops& ops, int resource, int x, int y) { AddImage(ops, DrawOp::Kind::Picture, resource, x, y); }
void AddIcon(Ops& ops, int resource, int x, int y) { AddImage(ops, DrawOp::Kind::Icon, resource, x, y); }

void AddText(Ops& ops, Font font, Rect rect, unsigned flags, const char16_t* russian, const char16_t* english,
             std::uint32_t colour = g_textColour) {
  DrawOp op;
  op.kind = DrawOp::Kind::Text;
  op.rect = rect;
  op.font = font;
  op.flags = flags;
  op.colour = colour;
  op.text = Tr(russian, english);
  ops.push_back(std::move(op));
}
void AddText(Ops& ops, Font font, Rect rect, unsigned flags, const char16_t* text,
             std::uint32_t colour = g_textColour) {
  AddText(ops, font, rect, flags, text, text, colour);
}

// Header band, rule and logo of pages 2 to 7, and their centred title.
void Frame(Ops& ops) {
  AddPicture(ops, kPictureHeader, 0, 0);
  AddPicture(ops, kPictureRule, 80, 329);
  AddPicture(ops, kPictureLogo, 10, 323);
}
void Title(Ops& ops, const char16_t* russian, const char16_t* english) {
  AddText(ops, Font::Title, {20, 17, 500, 32}, kDtCenter, russian, english);
}

void Welcome(Ops& ops) {
  AddPicture(ops, g_russian ? kPictureWelcomeRu : kPictureWelcomeEn, 0, 0);
  AddText(ops, Font::Title, {190, 20, 505, 60}, kDtCenter | kDtWordBreak,
          u"Вас приветствует программа\n\"Xq-730 QZ Installer\"", u"Welcome to the program\n\"Xq-730 QZ Installer\"");
  AddText(ops, Font::Body, {200, 70, 505, 120}, kDtWordBreak,
          u"    Программа \"Xq-730 QZ Installer\" выполнит установку \"Xq-730K5 for Prepar3D\" на ваш компьютер.",
          u"    \"Xq-730 QZ Installer\" program will install \"Xq-730K5 for Prepar3D\" on your computer.");
  AddText(ops, Font::Medium, {190, 125, 505, 140}, kDtCenter, g_modelVersionLine);
  AddText(ops, Font::Body, {200, 160, 505, 250}, kDtWordBreak,
          u"    Перед установкой рекомендуется закрыть симулятор Prepar3D.\n\n    Требуется подключение к интернету!"
          u"\n\n    Для продолжения нажмите кнопку \"Далее >\".",
          u"    Before installation, it is recommended to close the Prepar3D simulator.\n\n    Internet connection "
          u"required!\n\n    Click \"Next >\" to continue.");
  AddText(ops, Font::Medium, {200, 270, 505, 340}, kDtWordBreak, u"    ");
}

void Licence(Ops& ops) {
  Frame(ops);
  Title(ops, u"Лицензионное соглашение", u"License agreement");
  AddText(ops, Font::Body, {20, 58, 500, 73}, 0, u"    Пожалуйста, прочтите следущее лицензионное соглашение:",
          u"    Please read the following license agreement:");
}

void Folder(Ops& ops) {
  Frame(ops);
  AddIcon(ops, kPictureFolder, 25, 180);
  Title(ops, u"Выбор папки установки", u"Selecting an installation folder");
  AddText(ops, Font::Body, {20, 70, 500, 140}, kDtWordBreak,
          u"    Программа установит \"Xq-730K5 for Prepar3D\" в указанную папку. При необходимости смены папки "
          u"нажмите кнопку \"Изменить...\" и укажите нужную. Обратите внимание, необходимо указать корень "
          u"симулятора!\n\n    Для продолжения нажмите \"Далее >\".",
          u"    The program will install \"Xq-730K5 for Prepar3D\" to the specified folder. If you need to change the "
          u"folder, click \"Change...\" and specify the desired one. Please note that you must specify the simulator "
          u"root!\n\n    Click \"Next >\" to continue.");
  DrawOp root;
  root.kind = DrawOp::Kind::Text;
  root.rect = {100, 195, 395, 260};
  root.font = Font::Medium;
  root.flags = kDtWordBreak | kDtWordEllipsis;
  root.narrow = true;
  root.narrowText = g_simRoot;
  ops.push_back(std::move(root));
  AddText(ops, Font::Body, {40, 270, 490, 285}, 0, g_spaceRequiredLine);
  AddText(ops, Font::Body, {40, 290, 490, 305}, 0, g_spaceAvailableLine,
          g_spaceRequired >= g_spaceAvailable ? g_warnColour : g_textColour);
}

void Maintenance(Ops& ops) {
  Frame(ops);
  AddIcon(ops, kPictureTools, 30, 80);
  AddIcon(ops, kPictureBin, 30, 200);
  Title(ops, u"Обслуживание программы", u"Program Maintenance");
  AddText(ops, Font::Body, {150, 130, 480, 170}, kDtWordBreak,
          u"    Будет произведена замена всех файлов, за исключением файлов настроек.",
          u"    All files will be replaced except settings files.");
  AddText(ops, Font::Body, {150, 250, 480, 290}, kDtWordBreak,
          u"    Все файлы будут удалены, за исключением файлов настроек.",
          u"    All files will be deleted except settings files.");
}

// The first paragraph of the ready page, shared by its install and removal forms.
#define QZ_READY_INTRO_RU                                                                                      \
  u"    Чтобы просмотреть или изменить параметры установки, нажмите кнопку \"< Назад\". Для выхода из программы " \
  u"нажмите кнопку \"Отмена\".\n\n\n"
#define QZ_READY_INTRO_EN \
  u"    To view or change installation options, click \"< Back\". To exit the program, click \"Cancel\".\n\n\n"

void Ready(Ops& ops, bool removal) {
  Frame(ops);
  AddIcon(ops, removal ? kPictureBin : kPictureTools, 30, 200);
  if (removal) {
    Title(ops, u"Готово к удалению программы", u"Ready to uninstall the program");
  } else {
    Title(ops, u"Готово к установке программы", u"Ready to install the program");
  }
  AddText(ops, Font::Body, {20, 75, 500, 245}, kDtWordBreak,
          removal ? QZ_READY_INTRO_RU u"    Нажмите кнопку \"Удалить\", чтобы начать удаление."
                  : QZ_READY_INTRO_RU u"    Нажмите кнопку \"Установить\", чтобы начать установку.",
          removal ? QZ_READY_INTRO_EN u"    Click \"Delete\" to start uninstalling."
                  : QZ_READY_INTRO_EN u"    Click \"Install\" to start the installation.");
}

// The frame, the running figure, the title and the request to wait of pages 6 and 7.
void JobPage(Ops& ops, const char16_t* titleRu, const char16_t* titleEn, const char16_t* waitRu,
             const char16_t* waitEn) {
  Frame(ops);
  AddIcon(ops, kPictureRunning, 30, 70);
  Title(ops, titleRu, titleEn);
  AddText(ops, Font::Body, {120, 70, 500, 120}, kDtWordBreak, waitRu, waitEn);
}

void Installing(Ops& ops) {
  JobPage(ops, u"Установка \"Xq-730K5 for Prepar3D\"", u"Installing \"Xq-730K5 for Prepar3D\"",
          u"    Пожалуйста, дождитесь окончания установки \"Xq-730K5 for Prepar3D\". Это может занять несколько минут.",
          u"    Please wait until \"Xq-730K5 for Prepar3D\" installation is completed. It may take several minutes.");
  const Rect status{80, 250, 500, 290};
  switch (g_installPhase.load()) {
    case 0: {
      AddText(ops, Font::Body, status, kDtWordBreak, u"Скачивание архива...", u"Downloading archive...");
      WideText64 info = GetDownloadInfo();
      AddText(ops, Font::Body, {360, 250, 500, 290}, 0, info.data());
      break;
    }
    case 1: AddText(ops, Font::Body, status, kDtWordBreak, u"Распаковка файлов...", u"Unpacking files..."); break;
    case 2:
      AddText(ops, Font::Body, status, kDtWordBreak, u"Удаление временных файлов...", u"Deleting temporary files...");
      break;
    default: break;
  }
}

void Removing(Ops& ops) {
  JobPage(ops, u"Удаление \"Xq-730K5 for Prepar3D\"", u"Removing \"Xq-730K5 for Prepar3D\"",
          u"    Пожалуйста, дождитесь окончания удаления \"Xq-730K5 for Prepar3D\". Это может занять несколько минут.",
          u"    Please wait until \"Xq-730K5 for Prepar3D\" is removed. It may take several minutes.");
  AddText(ops, Font::Body, {80, 250, 500, 290}, kDtWordBreak, u"Удаление...", u"Deleting...");
}

// The title and the text of the finished and failed pages, in their common places.
void Outcome(Ops& ops, const char16_t* titleRu, const char16_t* titleEn, const char16_t* bodyRu,
             const char16_t* bodyEn) {
  AddText(ops, Font::Title, {190, 20, 505, 60}, kDtCenter | kDtWordBreak, titleRu, titleEn);
  AddText(ops, Font::Body, {200, 90, 505, 170}, kDtWordBreak, bodyRu, bodyEn);
}

#define QZ_FINISH_HINT_RU u"\n\n    Для выхода из программы нажмите кнопку \"Готово\"."
#define QZ_FINISH_HINT_EN u"\n\n    To exit the program, click \"Finish\"."

void Finished(Ops& ops, bool removal) {
  AddPicture(ops, g_russian ? kPictureFinishedRu : kPictureFinishedEn, 0, 0);
  if (removal) {
    Outcome(ops, u"Программа \"Xq-730 QZ Installer\"\nзавершила удаление",
            u"\"Xq-730 QZ Installer\"\ncompleted removal",
            u"    Программа \"Xq-730 QZ Installer\" успешно удалила \"Xq-730K5 for Prepar3D\" с вашего "
            u"компьютера." QZ_FINISH_HINT_RU,
            u"    \"Xq-730 QZ Installer\" has successfully removed \"Xq-730K5 for Prepar3D\" from your "
            u"computer." QZ_FINISH_HINT_EN);
  } else {
    Outcome(ops, u"Программа \"Xq-730 QZ Installer\"\nзавершила установку",
            u"\"Xq-730 QZ Installer\"\nfinished installation",
            u"    Программа \"Xq-730 QZ Installer\" успешно установила \"Xq-730K5 for Prepar3D\" на ваш "
            u"компьютер." QZ_FINISH_HINT_RU,
            u"    \"Xq-730 QZ Installer\" has successfully installed \"Xq-730K5 for Prepar3D\" on your "
            u"computer." QZ_FINISH_HINT_EN);
  }
}

void Failed(Ops& ops) {
  AddPicture(ops, g_russian ? kPictureFailedRu : kPictureFailedEn, 0, 0);
  Outcome(
      ops, u"Программа \"Xq-730 QZ Installer\"\nсбой установки", u"\"Xq-730 QZ Installer\"\ninstallation failed",
      u"    Программе \"Xq-730 QZ Installer\" не удалось установить \"Xq-730K5 for Prepar3D\" на ваш "
      u"компьютер." QZ_FINISH_HINT_RU,
      u"    \"Xq-730 QZ Installer\" failed to install \"Xq-730K5 for Prepar3D\" on your computer." QZ_FINISH_HINT_EN);
}
}  // namespace

std::vector<DrawOp> DrawPage() {
  Ops ops;
  // The Remove radio button tells a removal from an install; the platform reads a check
  // state of 0 or 1 only, so "any other state" cannot arise here.
  bool removal = Ui().IsControlChecked(Control::Remove);
  switch (g_page.load()) {
    case PageSplash: AddPicture(ops, kPictureSplash, 0, 0); break;
    case PageWelcome: Welcome(ops); break;
    case PageLicence: Licence(ops); break;
    case PageFolder: Folder(ops); break;
    case PageMaintenance: Maintenance(ops); break;
    case PageReady: Ready(ops, removal); break;
    case PageInstalling: Installing(ops); break;
    case PageRemoving: Removing(ops); break;
    case PageFinished: Finished(ops, removal); break;
    case PageFailed: Failed(ops); break;
    default: break;
  }
  return ops;
}
