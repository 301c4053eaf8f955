#include "package/container.h"

#include <cstring>

#include "package/mapped_file.h"
#include "platform/ui_port.h"
#include "workers/cleanup.h"
#include "workers/file_list.h"
#include "workers/list_fetch.h"

RecordCheck ReadRecordHeader(const std::uint8_t* package, std::uint32_t size, std::uint32_t pos,
                             std::uint32_t& payloadLength) {
  payloadLength = 0;
  if (pos >= size) return RecordCheck::HeaderPastEnd;
  if (package[pos] != '[') return RecordCheck::NoOpenBracket;
  if (size - pos < kRecordHeaderSize) return RecordCheck::HeaderPastEnd;
  payloadLength = std::uint32_t{package[pos + 1]} | std::uint32_t{package[pos + 2]} << 8 |
                  std::uint32_t{package[pos + 3]} << 16 | std::uint32_t{package[pos + 4]} << 24;
  if (package[pos + 5] != ']') return RecordCheck::NoCloseBracket;
  if (payloadLength == 0 || payloadLength > size - pos - kRecordHeaderSize) return RecordCheck::PayloadPastEnd;
  return RecordCheck::Ok;
}

namespace {
void ShowPackageBox(const char* russian, const char* english) {
  ShowWizardBox(Tr(russian, english), kMbIconExclamation);
}

// The two record boxes have always been English only, without an owner.
void ShowRecordBox(const char* text) { Ui().ShowMessageBox({text, "Error", kMbOk, BoxOwner::None}); }

SplitResult ReportRecord(RecordCheck check) {
  switch (check) {
    case RecordCheck::NoOpenBracket: ShowRecordBox("...[?"); break;
    case RecordCheck::NoCloseBracket: ShowRecordBox("...]?"); break;
    default:
      ShowPackageBox("Файл \"Setup_Xq_730K5_QZ_x64.zip\" повреждён!",
                     "File \"Setup_Xq_730K5_QZ_x64.zip\" is damaged!");
      break;
  }
  return SplitResult::Damaged;
}

SplitResult ReportCountMismatch() {
  ShowPackageBox("Файл \"Setup_Xq_730K5_QZ_x64.zip\" не соответствует списку файлов!",
                 "File \"Setup_Xq_730K5_QZ_x64.zip\" does not match the file list!");
  return SplitResult::RecordCountMismatch;
}

// Cuts the records of the mapped package into the temporaries, one per list entry.
SplitResult CutRecords(const std::uint8_t* package, std::uint32_t size) {
  std::size_t entries = g_fileList.size();
  std::size_t k = 0;
  for (std::uint32_t pos = kPackageMagicSize; pos < size; ++k) {
    if (g_cancelRequested) return SplitResult::Cancelled;
    std::uint32_t length = 0;
    if (RecordCheck check = ReadRecordHeader(package, size, pos, length); check != RecordCheck::Ok) {
      return ReportRecord(check);
    }
    if (k >= entries) return ReportCountMismatch();
    pos += kRecordHeaderSize;
    std::string temporary;
    {
      std::lock_guard<std::mutex> hold(g_pathsLock);
      temporary = g_tempFiles[k];
    }
    WriteWholeFile(temporary.c_str(), package + pos, length);
    pos += length;
  }
  return k == entries ? SplitResult::Done : ReportCountMismatch();
}

SplitResult CutPackage() {
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
  ScopedMapping package;
  std::uint32_t size = 0;
  const std::uint8_t* view = OpenMappedForRead(package.record, packagePath.c_str(), size);
  if (view == nullptr || size <= kPackageMagicSize) {
    ShowPackageBox("Файл \"Setup_Xq_730K5_QZ_x64.zip\" не найден или пуст!",
                   "File \"Setup_Xq_730K5_QZ_x64.zip\" is missing or empty!");
    return SplitResult::NoPackage;
  }
  return CutRecords(view, size);
}
}  // namespace

SplitResult SplitPackage() {
  std::memset(g_listBuffer, 0, sizeof g_listBuffer);
  if (!FetchListText(g_listBuffer)) return SplitResult::NoList;
  return SplitWithList(g_listBuffer, g_bytesRead);
}

SplitResult SplitWithList(const char* listText, std::uint32_t length) {
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
  return CutPackage();
}
