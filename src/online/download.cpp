#include "online/download.h"

#include <atomic>

#include "app/size_text.h"
#include "app/state.h"
#include "online/taskbar_progress.h"
#include "platform/com.h"
#include "platform/fs.h"
#include "platform/ui_port.h"

namespace {
// Set when OnProgress answers a cancel with an abort, until the next transfer starts.
std::atomic<bool> g_abortAnswered{false};

// With no length from the server the share received is unknown: the bar stays at 0
// and no size is shown. A server sending more than it announced holds the bar at 1000.
std::int32_t DownloadPosition(std::uint32_t progress, std::uint32_t progressMax) {
  if (progressMax == 0) return 0;
  if (progress >= progressMax) return g_progressScale;
  return static_cast<std::int32_t>(progress * 1000.0 / progressMax);
}

WideText64 SizeInfo(std::uint32_t length) {
  WideText64 info{};
  if (length == 0) return info;
  SizeText size = FormatSizeText(length, g_russian);
  std::u16string text = size.number + u" " + size.unit;
  for (std::size_t k = 0; k < text.size() && k + 1 < info.size(); ++k) info[k] = text[k];
  return info;
}

void ShowDownloadFailure(std::uint32_t result) {
  const char* text = nullptr;
  switch (result) {
    case kInetEObjectNotFound:
      text = Tr("Указанный ресурс или интерфейс обратного вызова не найден!",
                "The specified resource or callback interface was not found!");
      break;
    case kInetEDownloadFailure:
      text = Tr("Указанный ресурс или интерфейс обратного вызова недействителен!",
                "The specified resource or callback interface is invalid!");
      break;
    case kEOutOfMemory:
      text = Tr("Недопустимая длина буфера или недостаточно памяти для завершения операции!",
                "Invalid buffer length or not enough memory to complete the operation!");
      break;
    case kEAbort:
      text = Tr("Операция отменена!", "Operation cancelled!");
      break;
    default:
      return;
  }
  ShowWizardBox(text, kMbOk | kMbIconExclamation);
}
}  // namespace

void OnDownloadStart() {
  g_cancelRequested = false;
  g_abortAnswered = false;
}

std::uint32_t OnProgress(std::uint32_t progress, std::uint32_t progressMax, std::uint32_t statusCode) {
  if (statusCode == kBindStatusBeginDownloadData) {
    SetDownloadInfo(SizeInfo(progressMax));
    Ui().Repaint();
    g_taskbarState = 1;
  } else if (statusCode == kBindStatusDownloadingData) {
    std::int32_t position = DownloadPosition(progress, progressMax);
    Ui().SetProgressPos(position);
    g_downloadPos = position;
  }
  if (g_cancelRequested.exchange(false)) {
    g_abortAnswered = true;
    return kEAbort;
  }
  return kSOk;
}

std::uint32_t SettleTransfer(std::uint32_t result, const char* path) {
  if (result != kSOk || !g_abortAnswered) return result;
  DeleteFileAt(path);
  return kEAbort;
}

bool DownloadPackage(const char* url, const char* path) {
  std::uint32_t result = SettleTransfer(TransferToFile(url, path), path);
  if (result == kSOk) {
    g_taskbarState = 3;
    return true;
  }
  g_taskbarState = 4;
  ShowDownloadFailure(result);
  g_taskbarState = 3;
  return false;
}

void TaskbarTick() {
  switch (g_taskbarState.load()) {
    case 1: {
      ComInitialize();
      WindowTaskbar().Begin();
      // The download may have ended meanwhile (state 3): that must not be lost.
      std::int32_t begun = 1;
      g_taskbarState.compare_exchange_strong(begun, 2);
      break;
    }
    case 2:
      WindowTaskbar().SetValue(g_downloadPos, g_progressScale);
      break;
    case 3: {
      WindowTaskbar().End();
      ComUninitialize();
      std::int32_t ended = 3;
      g_taskbarState.compare_exchange_strong(ended, 0);
      break;
    }
    case 4:
      ComInitialize();
      WindowTaskbar().Begin();
      WindowTaskbar().SetError(250, g_progressScale);
      break;
    default:
      break;
  }
}

void EndWindowTaskbar() {
  if (g_taskbarState <= 1) return;
  WindowTaskbar().End();
  ComUninitialize();
  g_taskbarState = 0;
}
