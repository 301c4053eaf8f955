#include "workers/install_worker.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <random>
#include <thread>

#include "app/state.h"
#include "online/download.h"
#include "online/server.h"
#include "online/taskbar_progress.h"
#include "platform/com.h"
#include "platform/fs.h"
#include "platform/ui_port.h"
#include "workers/cleanup.h"
#include "workers/decoders.h"
#include "workers/file_list.h"
#include "workers/progress.h"
#include "workers/split.h"

namespace {
// The bar at the files the four decoding threads have finished.
UnpackStatus ShowUnpacking(TaskBarProgress& taskbar) {
  UnpackStatus status = PollUnpack();
  ShowPosition(taskbar, Position(status.finished, status.total));
  return status;
}

// Step 7: the bar follows the four decoding threads until all are done, and then shows
// where they ended, so that the phase is seen even when it was over at the first look.
// A short sleep per pass leaves both cores to the decoders.
UnpackStatus FollowUnpacking(TaskBarProgress& taskbar) {
  for (;;) {
    UnpackStatus status = ShowUnpacking(taskbar);
    if (status.allDone) return status;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
}

// The bar is paced so that the deletion is seen, but the pacing is spread over the
// whole phase: a sleep per file would grow with the number of files and with the
// platform's sleep granularity (15.6 ms on Windows), with Cancel blocked all along. A
// tenth of a second is six frames of a 60 Hz screen: the bar is seen to run through, and
// the install is not held up for it.
constexpr std::chrono::milliseconds kDeletionPacing{100};

// The pacing runs from `start`, the phase's start, so that the package's deletion before
// the bar's first step is part of it rather than added to it.
void DeleteTemporaries(TaskBarProgress& taskbar, std::chrono::steady_clock::time_point start) {
  StringList temporaries;
  {
    std::lock_guard<std::mutex> hold(g_pathsLock);
    temporaries = g_tempFiles;
  }
  auto count = static_cast<std::int32_t>(temporaries.size());
  for (std::int32_t i = 0; i < count; ++i) {
    DeleteFileAt(temporaries[static_cast<std::size_t>(i)].c_str());
    ShowPosition(taskbar, Position(i, count));
    std::this_thread::sleep_until(start + kDeletionPacing * (i + 1) / count);
  }
}

InstallPhaseTimes g_phaseTimes;

// Sets a phase to the time since `since` and restarts the clock there.
void EndPhase(double& phase, std::chrono::steady_clock::time_point& since) {
  auto now = std::chrono::steady_clock::now();
  phase = std::chrono::duration<double>(now - since).count();
  since = now;
}

// The failure page: only Finish is left.
void EndOnFailurePage() {
  g_page = PageFailed;
  ShowControls({Control::Cancel, Control::ProgressBar, Control::Change, Control::Next, Control::Back}, false);
  Ui().ShowControl(Control::Finish, true);
  Ui().Repaint();
}

// A split or unpack that cannot finish leaves nothing of the package behind: the
// package and every temporary cut so far are deleted before the failure page.
void EndAfterBrokenPackage() {
  g_cancelBlocked = true;
  DeletePackageAndTemporaries();
  g_cancelBlocked = false;
  EndOnFailurePage();
}
}  // namespace

bool BuildDownloadAddresses() {
  std::uniform_int_distribution<int> draw(10, 999);
  std::memset(g_rndQuery, 0, sizeof g_rndQuery);
  std::snprintf(g_rndQuery, sizeof g_rndQuery, "%s%d", "?rnd=", draw(g_random));
  std::memset(g_downloadUrl, 0, sizeof g_downloadUrl);
  int written = std::snprintf(g_downloadUrl, sizeof g_downloadUrl, "%s%s", g_packageUrl, g_rndQuery);
  if (written < 0 || static_cast<std::size_t>(written) >= sizeof g_downloadUrl) return false;
  std::lock_guard<std::mutex> hold(g_pathsLock);
  return FormatRootPath(g_packagePath, g_simRoot, kPackageFileName);
}

InstallPhaseTimes LastInstallPhaseTimes() { return g_phaseTimes; }

void InstallWorker() {
  RegisterInstallFatalCleanUp();
  g_phaseTimes = {};
  auto clock = std::chrono::steady_clock::now();
  // A root too long for the package path cannot be downloaded into. A package that a
  // killed run left goes first, so that not even a failed download leaves it behind.
  bool downloaded = false;
  if (BuildDownloadAddresses()) {
    DeleteFileAt(g_packagePath);
    downloaded = DownloadPackage(g_downloadUrl, g_packagePath);
  }
  if (!downloaded) {
    ShowWizardBox(Tr("Файл: \"Setup_Xq_730K5_QZ_x64.zip\" не скачать!",
                     "File: \"Setup_Xq_730K5_QZ_x64.zip\" cannot be downloaded!"),
                  kMbOk | kMbIconExclamation);
    EndOnFailurePage();
    return;
  }
  EndPhase(g_phaseTimes.download, clock);
  g_installPhase = 1;
  Ui().Repaint();
  ComInitialize();
  TaskBarProgress taskbar(Ui().MainWindow());
  taskbar.Begin();
  // The decoders start once the package has passed its check and follow the cut, so
  // that the cores decode while the disk cuts, and the bar follows them from the first
  // record on; a package refused whole touches no file.
  bool decoding = false;
  SplitResult split = SplitPackage({[&](const CutProgress& cut) { decoding = UnpackAll(&cut); },
                                    [&] {
                                      if (decoding) ShowUnpacking(taskbar);
                                    }});
  EndPhase(g_phaseTimes.split, clock);
  UnpackStatus unpacked = decoding ? FollowUnpacking(taskbar) : UnpackStatus{};
  taskbar.End();
  EndPhase(g_phaseTimes.decoding, clock);
  if (!decoding || split != SplitResult::Done) {  // refused, or the cut broke off: said so
    ComUninitialize();
    EndAfterBrokenPackage();
    return;
  }

  g_installPhase = 2;
  Ui().Repaint();
  g_cancelBlocked = true;
  auto deletionStart = std::chrono::steady_clock::now();
  {
    std::lock_guard<std::mutex> hold(g_pathsLock);
    DeleteFileAt(g_packagePath);
  }
  taskbar.Begin();
  DeleteTemporaries(taskbar, deletionStart);
  taskbar.End();
  ComUninitialize();
  g_cancelBlocked = false;
  EndPhase(g_phaseTimes.deleting, clock);

  // A file that could not be decoded, or a cancel that stopped the decoders, is not a
  // finished install.
  if (unpacked.failed != 0 || unpacked.finished != unpacked.total) {
    if (!g_cancelRequested) {
      ShowWizardBox(Tr("Не все файлы удалось распаковать!", "Not every file could be unpacked!"),
                    kMbOk | kMbIconExclamation);
    }
    EndOnFailurePage();
    return;
  }
  g_page = PageFinished;
  Ui().ShowControl(Control::Finish, true);
  ShowControls({Control::Cancel, Control::ProgressBar}, false);
  Ui().Repaint();
}
