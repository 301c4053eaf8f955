#include "workers/split.h"

#include <cstring>

#include "online/download.h"
#include "package/container.h"
#include "platform/ui_port.h"
#include "workers/cleanup.h"
#include "workers/file_list.h"
#include "workers/list_fetch.h"

namespace {
void ShowPackageBox(const char* russian, const char* english) {
  ShowWizardBox(Tr(russian, english), kMbIconExclamation);
}

// The two record boxes have always been English only, without an owner.
void ShowRecordBox(const char* text) { Ui().ShowMessageBox({text, "Error", kMbOk, BoxOwner::None}); }

SplitResult Report(CutResult cut) {
  switch (cut.outcome) {
    case CutOutcome::Done: return SplitResult::Done;
    case CutOutcome::Cancelled: return SplitResult::Cancelled;
    case CutOutcome::NoPackage:
      ShowPackageBox("Файл \"Setup_Xq_730K5_QZ_x64.zip\" не найден или пуст!",
                     "File \"Setup_Xq_730K5_QZ_x64.zip\" is missing or empty!");
      return SplitResult::NoPackage;
    case CutOutcome::TooLarge:
      ShowWizardBox(PackageTooLargeText(), kMbIconExclamation);
      return SplitResult::NoPackage;
    case CutOutcome::TooManyRecords:
    case CutOutcome::TooFewRecords:
      ShowPackageBox("Файл \"Setup_Xq_730K5_QZ_x64.zip\" не соответствует списку файлов!",
                     "File \"Setup_Xq_730K5_QZ_x64.zip\" does not match the file list!");
      return SplitResult::RecordCountMismatch;
    case CutOutcome::BadRecord: break;
  }
  switch (cut.check) {
    case RecordCheck::NoOpenBracket: ShowRecordBox("...[?"); break;
    case RecordCheck::NoCloseBracket: ShowRecordBox("...]?"); break;
    default:
      ShowPackageBox("Файл \"Setup_Xq_730K5_QZ_x64.zip\" повреждён!", "File \"Setup_Xq_730K5_QZ_x64.zip\" is damaged!");
      break;
  }
  return SplitResult::Damaged;
}

// Never destroyed: the decoders that wait on it are detached, and a condition variable
// must not be destroyed under a waiter, not even by the exit's static destructors.
CutProgress& SharedCutProgress() {
  static CutProgress* progress = new CutProgress;
  return *progress;
}

SplitResult CutIntoTemporaries(const CutFollowing& following) {
  std::string packagePath;
  StringList temporaries;
  {
    std::lock_guard<std::mutex> hold(g_pathsLock);
    packagePath = g_packagePath;
    temporaries = g_tempFiles;
  }
  // A killed run or a closed window may have left temporaries and half-written siblings:
  // they go before anything new is written, and make room for it.
  DeleteTemporariesAndSiblings(temporaries);
  return Report(CutPackage(packagePath.c_str(), temporaries, SharedCutProgress(), following));
}
}  // namespace

SplitResult SplitPackage(const CutFollowing& following) {
  std::memset(g_listBuffer, 0, sizeof g_listBuffer);
  if (!FetchListText(g_listBuffer)) return SplitResult::NoList;
  return SplitWithList(g_listBuffer, g_bytesRead, following);
}

SplitResult SplitWithList(const char* listText, std::uint32_t length, const CutFollowing& following) {
  // Parsed afresh rather than appended, so that a second install in one process does
  // not list every file twice.
  StringList parsed;
  ParseFileList(parsed, listText, length);
  if (ListVerdict verdict = CheckFileList(parsed, g_simRoot); verdict.problem != EntryProblem::None) {
    ShowListVerdict(verdict);
    return SplitResult::UnsafeList;
  }
  g_fileList = std::move(parsed);
  if (!PrepareEntryPaths()) return SplitResult::UnsafeList;
  return CutIntoTemporaries(following);
}
