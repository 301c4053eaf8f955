#include "online/download.h"

#include <atomic>

#include "app/size_text.h"
#include "app/state.h"
#include "online/taskbar_progress.h"
#include "platform/com.h"
#include "platform/fs.h"
#include "platform/ui_port.h"

namespace {
// What one transfer has learned, from OnDownloadStart to the next. Written by the
// transfer's thread; ReportedBytes is read by the platform's stall watch.
std::atomic<bool> g_abortAnswered{false};      // the user's cancel was answered
std::atomic<std::uint32_t> g_refusal{kSOk};    // the transfer is not the package
std::atomic<std::uint32_t> g_status{0};        // the final HTTP status, 0 while unknown
std::atomic<bool> g_leftHttps{false};
std::atomic<bool> g_begun{false};              // status 4 came
std::atomic<std::uint32_t> g_length{0};        // the length announced at status 4
std::atomic<std::uint64_t> g_announced{0};     // the length in the reply's head, 0 while unknown
std::atomic<std::uint64_t> g_reported{0};

// The window thread's taskbar holds a COM initialisation from its first begin to its end.
bool g_windowComHeld = false;

std::uint32_t StatusRefusal(std::uint32_t status) {
  if (status == 0 || (status >= 200 && status <= 299)) return kSOk;
  if (status >= 300 && status <= 399) return kInetERedirectFailed;
  if (status == 404 || status == 410) return kInetEObjectNotFound;
  return kInetEDownloadFailure;
}

void HoldWindowCom() {
  if (g_windowComHeld) return;
  ComInitialize();
  g_windowComHeld = true;
}

void ReleaseWindowCom() {
  WindowTaskbar().End();
  if (!g_windowComHeld) return;
  ComUninitialize();
  g_windowComHeld = false;
}

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
    case kEFileTooLarge:
      text = PackageTooLargeText();
      break;
    default:
      return;
  }
  ShowWizardBox(text, kMbOk | kMbIconExclamation);
}
}  // namespace

void OnDownloadStart() {
  g_abortAnswered = false;
  g_refusal = kSOk;
  g_status = 0;
  g_leftHttps = false;
  g_begun = false;
  g_length = 0;
  g_announced = 0;
  g_reported = 0;
}

void OnResponseStatus(std::uint32_t status) { g_status = status; }

void OnFinalAddress(bool https) { g_leftHttps = !https; }

const char* PackageTooLargeText() {
  return Tr("Файл \"Setup_Xq_730K5_QZ_x64.zip\" слишком велик: 4 ГБ и больше не поддерживаются!",
            "File \"Setup_Xq_730K5_QZ_x64.zip\" is too large: 4 GB or more is not supported!");
}

void OnAnnouncedLength(std::uint64_t length) {
  g_announced = length;
  if (length > 0xFFFFFFFFu) RefuseTransfer(kEFileTooLarge);
}


void RefuseTransfer(std::uint32_t result) {
  std::uint32_t none = kSOk;
  g_refusal.compare_exchange_strong(none, result);
}

std::uint64_t ReportedBytes() { return g_reported; }

std::uint32_t OnProgress(std::uint32_t progress, std::uint32_t progressMax, std::uint32_t statusCode) {
  if (statusCode == kBindStatusBeginDownloadData) {
    g_begun = true;
    // The head's length where it was seen: Wine's monikers report at most 2^31 - 1.
    std::uint64_t announced = g_announced;
    g_length = announced != 0 && announced <= 0xFFFFFFFFu ? static_cast<std::uint32_t>(announced) : progressMax;
    g_reported = progress;
    if (std::uint32_t refusal = StatusRefusal(g_status); refusal != kSOk) RefuseTransfer(refusal);
    if (g_leftHttps) RefuseTransfer(kInetERedirectFailed);
    if (g_length == 0) RefuseTransfer(kInetEDownloadFailure);
    if (g_refusal == kSOk) {
      SetDownloadInfo(SizeInfo(g_length));
      Ui().Repaint();
      g_taskbarState = 1;
    }
  } else if (statusCode == kBindStatusDownloadingData) {
    g_reported = progress;
    if (g_begun && progress > g_length) RefuseTransfer(kInetEDownloadFailure);
    std::int32_t position = DownloadPosition(progress, progressMax);
    Ui().SetProgressPos(position);
    g_downloadPos = position;
  }
  if (g_refusal != kSOk) return kEAbort;
  if (g_cancelRequested.exchange(false)) {
    g_abortAnswered = true;
    return kEAbort;
  }
  return kSOk;
}

std::uint32_t SettleTransfer(std::uint32_t result, const char* path, std::uint64_t written) {
  std::uint32_t settled = result;
  if (g_abortAnswered) {
    settled = kEAbort;
  } else if (g_refusal != kSOk) {
    settled = g_refusal;
  } else if (std::uint32_t refusal = StatusRefusal(g_status); refusal != kSOk) {
    settled = refusal;  // an error reply with no body reaches no status 4
  } else if (result == kSOk ? !g_begun || written != g_length
                             : result != kEOutOfMemory && result != kEAccessDenied &&
                                   result != kInetEConnectionTimeout &&
                                   (g_begun || g_status != 0 ||
                                    (result != kInetECannotConnect && result != kInetEResourceNotFound))) {
    // A server that was reached but gave no whole package: a cut or reset transfer, or a
    // connection closed without a reply (Wine's monikers report S_OK for these, and may
    // or may not have read a reply's head by then).
    settled = kInetEDownloadFailure;
  }
  if (settled != kSOk) DeleteFileAt(path);
  return settled;
}

bool DownloadPackage(const char* url, const char* path) {
  std::uint64_t written = 0;
  std::uint32_t raw = TransferToFile(url, path, written);
  std::uint32_t result = SettleTransfer(raw, path, written);
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
      HoldWindowCom();
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
      ReleaseWindowCom();
      std::int32_t ended = 3;
      g_taskbarState.compare_exchange_strong(ended, 0);
      break;
    }
    case 4:
      HoldWindowCom();
      WindowTaskbar().Begin();
      WindowTaskbar().SetError(250, g_progressScale);
      break;
    default:
      break;
  }
}

void EndWindowTaskbar() {
  if (g_taskbarState <= 1) return;
  ReleaseWindowCom();
  g_taskbarState = 0;
}
