#include "workers/uninstall_worker.h"

#include <chrono>
#include <thread>
#include <vector>

#include "app/state.h"
#include "online/taskbar_progress.h"
#include "platform/com.h"
#include "platform/fs.h"
#include "platform/ui_port.h"
#include "workers/cleanup.h"
#include "workers/file_list.h"
#include "workers/list_fetch.h"
#include "workers/progress.h"

namespace {
// The list as the removal may use it; empty (its message shown) when it may not.
StringList FetchRemovalList() {
  std::vector<char> buffer(kListCapacity, 0);
  if (!FetchListText(buffer.data())) return {};
  StringList list;
  ParseFileList(list, buffer.data(), g_bytesRead);
  // A removal deletes what the list names: an entry that could reach outside the root
  // or be cut short would delete the wrong file, so such a list deletes nothing.
  if (ListVerdict verdict = CheckFileList(list, g_simRoot); verdict.problem != EntryProblem::None) {
    ShowListVerdict(verdict);
    return {};
  }
  return list;
}

void ShowFilesStayed(std::int32_t stayed, std::int32_t count) {
  std::string counted = std::to_string(stayed) + Tr(" из ", " of ") + std::to_string(count);
  ShowWizardBox(g_russian ? "Не удалось удалить файлов: " + counted +
                                "! Возможно, они открыты в другой программе или защищены от записи."
                          : counted + " files could not be deleted! Another program may hold them open, "
                                      "or they are write-protected.",
                kMbOk | kMbIconExclamation);
}
}  // namespace

void UninstallWorker() {
  const StringList entries = FetchRemovalList();
  if (entries.empty()) return;  // the removing page stays, with Cancel as the way out
  auto count = static_cast<std::int32_t>(entries.size());
  // Before the folders are tried, so that what an install left cannot keep them.
  DeleteLeftoversOf(entries, g_simRoot);

  ComInitialize();
  TaskBarProgress taskbar(Ui().MainWindow());
  taskbar.Begin();
  std::int32_t stayed = 0;  // held open or in a read-only folder
  for (std::int32_t i = 0; i < count; ++i) {
    char path[kPathCapacity];
    FormatRootPath(path, g_simRoot, entries[static_cast<std::size_t>(i)]);  // fits: checked above
    DeleteFileAt(path);
    if (PathExists(path)) ++stayed;
    std::string folder = path;
    CutToFolder(folder);
    RemoveDirectoryAt(folder.c_str());  // only succeeds once the folder is empty
    ShowPosition(taskbar, Position(i, count));
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  taskbar.End();
  ComUninitialize();

  if (stayed != 0) ShowFilesStayed(stayed, count);
  g_page = stayed == 0 ? PageFinished : PageFailed;
  Ui().ShowControl(Control::Finish, true);
  ShowControls({Control::Cancel, Control::ProgressBar}, false);
  Ui().Repaint();
}
