#include "terminal_ui.h"

#include <unistd.h>

#include <cstdio>
#include <iostream>

#include "app/state.h"

namespace {
// The status line of the installing and removing pages.
std::string StatusText() {
  std::uint32_t page = g_page;
  if (page == PageRemoving) return Tr("Удаление...", "Deleting...");
  if (page != PageInstalling) return {};
  switch (g_installPhase.load()) {
    case 0: {
      std::string status = Tr("Скачивание архива...", "Downloading archive...");
      WideText64 info = GetDownloadInfo();
      if (info[0] == u'\0') return status;
      status += ' ';
      for (char16_t c : info) {
        if (c == u'\0') break;
        // UTF-8 of the size text: ASCII digits and '.', then a unit that may be Cyrillic.
        if (c < 0x80) {
          status += static_cast<char>(c);
        } else {
          status += static_cast<char>(0xC0 | (c >> 6));
          status += static_cast<char>(0x80 | (c & 0x3F));
        }
      }
      return status;
    }
    case 1: return Tr("Распаковка файлов...", "Unpacking files...");
    default: return Tr("Удаление временных файлов...", "Deleting temporary files...");
  }
}
}  // namespace

TerminalUi::TerminalUi() : interactive_(::isatty(0) != 0 && ::isatty(2) != 0) { SetUi(this); }
TerminalUi::~TerminalUi() { SetUi(nullptr); }

void TerminalUi::EndBarLine() {
  if (interactive_ && lastShown_ >= 0) std::fputc('\n', stderr);
  lastShown_ = -1;
}

int TerminalUi::ShowMessageBox(const MessageBoxRequest& request) {
  std::lock_guard<std::mutex> hold(lock_);
  EndBarLine();
  std::fprintf(stderr, "[%s] %s\n", request.caption.c_str(), request.text.c_str());
  unsigned buttons = request.flags & 0xF;
  if (buttons != kMbOkCancel && buttons != kMbYesNo) return kIdOk;
  if (!interactive_) return buttons == kMbYesNo ? kIdYes : kIdOk;
  std::fprintf(stderr, buttons == kMbYesNo ? "[y/n] " : "[ok/cancel] ");
  std::string answer;
  std::getline(std::cin, answer);
  bool yes = !answer.empty() && (answer[0] == 'y' || answer[0] == 'Y' || answer[0] == 'o' || answer[0] == 'O');
  if (buttons == kMbYesNo) return yes ? kIdYes : kIdNo;
  return yes ? kIdOk : kIdCancel;
}

void TerminalUi::ShowControl(Control control, bool visible) {
  if (control != Control::ProgressBar || visible) return;
  std::lock_guard<std::mutex> hold(lock_);
  EndBarLine();
}

// Redrawn in place on a terminal; in a log, one line per 10 %.
void TerminalUi::SetProgressPos(int position) {
  std::lock_guard<std::mutex> hold(lock_);
  if (position == lastShown_) return;
  if (interactive_) {
    int filled = position * 40 / 1000;
    std::fprintf(stderr, "\r  [%s%s] %5.1f%%", std::string(static_cast<std::size_t>(filled), '#').c_str(),
                 std::string(static_cast<std::size_t>(40 - filled), ' ').c_str(), position / 10.0);
  } else if (lastShown_ < 0 || position / 100 != lastShown_ / 100) {
    std::fprintf(stderr, "  %d%%\n", position / 10);
  }
  lastShown_ = position;
}

void TerminalUi::Repaint() {
  std::string status = StatusText();
  std::lock_guard<std::mutex> hold(lock_);
  if (status.empty() || status == status_) return;
  EndBarLine();
  status_ = status;
  std::fprintf(stderr, "%s\n", status.c_str());
}

void TerminalUi::SetTaskbarState(TaskbarFlag flag) {
  std::lock_guard<std::mutex> hold(lock_);
  taskbarFlag_ = flag;
  if (interactive_ && flag == TaskbarFlag::NoProgress) std::fprintf(stderr, "\x1b]9;4;0;0\x07");
}

void TerminalUi::SetTaskbarValue(std::uint64_t completed, std::uint64_t total) {
  std::lock_guard<std::mutex> hold(lock_);
  if (!interactive_ || taskbarFlag_ == TaskbarFlag::NoProgress || total == 0) return;
  std::uint64_t percent = completed >= total ? 100 : completed * 100 / total;
  int state = taskbarFlag_ == TaskbarFlag::Error ? 2 : 1;
  std::fprintf(stderr, "\x1b]9;4;%d;%llu\x07", state, static_cast<unsigned long long>(percent));
}
