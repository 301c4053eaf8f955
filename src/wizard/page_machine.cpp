#include "wizard/page_machine.h"

#include <cstring>
#include <string>
#include <thread>

#include "app/state.h"
#include "online/download.h"
#include "online/fetch_text.h"
#include "online/server.h"
#include "platform/ui_port.h"
#include "wizard/disk_space.h"
#include "wizard/folder.h"
#include "wizard/print.h"
#include "workers/cleanup.h"
#include "workers/install_worker.h"
#include "workers/uninstall_worker.h"

namespace {
void Enable(Control control, bool enabled) { Ui().EnableControl(control, enabled); }
void Check(Control control, bool checked) { Ui().CheckControl(control, checked); }
bool Checked(Control control) { return Ui().IsControlChecked(control); }

// The vendor's web site by its host name, without the scheme.
std::string WebHostName() {
  std::string url = WebHostUrl();
  std::size_t scheme = url.find("://");
  return scheme == std::string::npos ? url : url.substr(scheme + 3);
}

void NextFromSplash() {
  if (g_installerOutdated) {
    ShowWizardBox(std::string(Tr("Установщик устарел, пожалуйста, скачайте новую версию на сайте: ",
                                 "The installer is outdated, please download the new version from ")) +
                      WebHostName() + "!",
                  kMbIconExclamation);
    g_page = PageFailed;
    ShowControls({Control::Next, Control::Back}, false);
    Ui().ShowControl(Control::Finish, true);
    return;
  }
  g_page = PageWelcome;
  Ui().ShowControl(Control::Back, true);
  std::memset(g_modelVersionText, 0, sizeof g_modelVersionText);
  if (FetchText(ServerUrl(Resource::ModelVersion), g_modelVersionText, sizeof g_modelVersionText) ==
      FetchResult::NoConnection) {
    ShowNoConnection();
    g_page = PageFailed;
    ShowControls({Control::Next, Control::Cancel, Control::Back}, false);
    Ui().ShowControl(Control::Finish, true);
    return;
  }
  FillModelVersionLine();
}

void NextFromLicence() {
  g_page = PageFolder;
  ShowControls({Control::LicenceText, Control::Accept, Control::Reject, Control::Print}, false);
  ShowControls({Control::Change, Control::FolderGroup}, true);
  Enable(Control::Next, true);
  if (ReportDiskSpace() != DiskSpaceResult::Done) {
    g_page = PageFailed;
    ShowControls({Control::Change, Control::Next, Control::FolderGroup, Control::Cancel, Control::Back}, false);
    Ui().ShowControl(Control::Finish, true);
  }
}

// Maintenance with both choices unchecked and Next disabled until one is clicked.
void EnterMaintenance() {
  g_page = PageMaintenance;
  Enable(Control::Next, false);
  ShowControls({Control::Repair, Control::Remove}, true);
  Check(Control::Repair, false);
  Check(Control::Remove, false);
}

void OnNext() {
  switch (g_page.load()) {
    case PageSplash: NextFromSplash(); break;
    case PageWelcome:
      g_page = PageLicence;
      ShowControls({Control::LicenceText, Control::Back, Control::Accept, Control::Reject, Control::Print}, true);
      Enable(Control::Next, Checked(Control::Accept));
      break;
    case PageLicence: NextFromLicence(); break;
    case PageFolder:
      if (IsAddonInstalled()) {
        ShowControls({Control::Change, Control::FolderGroup}, false);
        EnterMaintenance();
      } else {
        g_page = PageReady;
        Ui().ShowControl(Control::Install, true);
        ShowControls({Control::Change, Control::Next, Control::FolderGroup}, false);
      }
      break;
    case PageMaintenance:
      g_page = PageReady;
      Ui().ShowControl(Checked(Control::Remove) ? Control::Delete : Control::Install, true);
      ShowControls({Control::Change, Control::Next, Control::FolderGroup, Control::Repair, Control::Remove}, false);
      break;
    default: break;
  }
  Ui().Repaint();
}

// Back to the folder page, with Next enabled. The maintenance choice goes: hidden, a
// checked Remove would still turn the pages of an install into those of a removal.
void ReturnToFolder() {
  g_page = PageFolder;
  ShowControls({Control::Next, Control::FolderGroup, Control::Change}, true);
  Enable(Control::Next, true);
  Check(Control::Repair, false);
  Check(Control::Remove, false);
}

void OnBack() {
  switch (g_page.load()) {
    case PageWelcome:
      g_page = PageSplash;
      Ui().ShowControl(Control::Back, false);
      break;
    case PageLicence:
      g_page = PageWelcome;
      ShowControls({Control::LicenceText, Control::Accept, Control::Reject, Control::Print}, false);
      Enable(Control::Next, true);
      break;
    case PageFolder:
      g_page = PageLicence;
      ShowControls({Control::LicenceText, Control::Accept, Control::Reject, Control::Print}, true);
      ShowControls({Control::Change, Control::FolderGroup}, false);
      break;
    case PageMaintenance:
      ShowControls({Control::Install, Control::Repair, Control::Remove}, false);
      ReturnToFolder();
      break;
    case PageReady:
      ShowControls({Control::Install, Control::Delete}, false);
      if (IsAddonInstalled()) {
        Ui().ShowControl(Control::Next, true);
        EnterMaintenance();
      } else {
        ReturnToFolder();
      }
      break;
    default: break;
  }
  Ui().Repaint();
}

// Starts a job on a thread nobody joins: the window keeps answering while it runs.
void StartJob(Page page, Control button, void (*job)()) {
  g_page = page;
  ShowControls({Control::Back, button}, false);
  Ui().Repaint();
  Ui().ShowControl(Control::ProgressBar, true);
  std::thread(job).detach();
}

bool ConfirmCancel() {
  return ShowWizardBox(Tr("Отменить установку?", "Cancel installation?"), kMbOkCancel | kMbIconQuestion) == kIdOk;
}

// Asked before the final deletion began, answered after: that deletion is not
// interrupted either, so the block is looked at again once the user has answered.
bool CancelConfirmed() { return !g_cancelBlocked && ConfirmCancel() && !g_cancelBlocked; }

void OnCancel() {
  if (!CancelConfirmed()) return;
  CancelCleanUp();
  Ui().DestroyMainWindow();
}
}  // namespace

void FillModelVersionLine() {
  const char* c = g_modelVersionText;
  char version[6] = {c[0], '.', c[1], c[2], c[3], '\0'};
  if (c[2] == '0' && c[3] == '0') version[3] = '\0';
  std::size_t length = std::strlen(version);  // a NUL among the bytes ends the text there
  std::u16string line = Tr(u"Устанавливаемая версия модели:", u"Model version being installed:");
  line += u" v";
  for (std::size_t i = 0; i < length; ++i) line += static_cast<char16_t>(static_cast<unsigned char>(version[i]));
  StoreWideText(g_modelVersionLine, line);
}

Handling OnCommand(int id) {
  switch (static_cast<Control>(id)) {
    case Control::Next: OnNext(); break;
    case Control::Back: OnBack(); break;
    case Control::Accept:
    case Control::Repair:
    case Control::Remove: Enable(Control::Next, true); break;
    case Control::Reject: Enable(Control::Next, false); break;
    case Control::Install: StartJob(PageInstalling, Control::Install, InstallWorker); break;
    case Control::Delete: StartJob(PageRemoving, Control::Delete, UninstallWorker); break;
    case Control::Cancel: OnCancel(); break;
    case Control::Finish: Ui().DestroyMainWindow(); break;
    case Control::Change: BrowseForSimRoot(); break;
    case Control::Print: PrintLicence(); break;
    default: return Handling::Default;
  }
  return Handling::Done;
}

void OnTimer() { TaskbarTick(); }

void OnClose() {
  if (!CancelConfirmed()) return;
  EndWindowTaskbar();
  g_cancelRequested = true;
  Ui().DestroyMainWindow();
}

Handling WizardMessage(unsigned message, int command) {
  switch (message) {
    case kWmCommand: return OnCommand(command);
    case kWmTimer: OnTimer(); return Handling::Done;
    case kWmClose: OnClose(); return Handling::Done;
    case kWmKeyDown: return Handling::Done;  // key presses sent to the window itself do nothing
    default: return Handling::Default;
  }
}
