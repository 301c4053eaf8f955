#include "terminal_ui.h"

#include <unistd.h>

#include <cstdio>
#include <iostream>
#include <string>

TerminalUi::TerminalUi() : interactive_(::isatty(0) != 0 && ::isatty(2) != 0) { SetUi(this); }
TerminalUi::~TerminalUi() { SetUi(nullptr); }

int TerminalUi::ShowMessageBox(const MessageBoxRequest& request) {
  std::lock_guard<std::mutex> hold(lock_);
  if (lastShown_ >= 0 && interactive_) std::fputc('\n', stderr);
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

void TerminalUi::ShowProgress(const char* label, int position) {
  std::lock_guard<std::mutex> hold(lock_);
  if (interactive_) {
    int filled = position * 40 / 1000;
    std::fprintf(stderr, "\r%-12s [%s%s] %5.1f%%", label, std::string(static_cast<std::size_t>(filled), '#').c_str(),
                 std::string(static_cast<std::size_t>(40 - filled), ' ').c_str(), position / 10.0);
  } else if (position / 100 != lastShown_ / 100 || lastShown_ < 0) {
    std::fprintf(stderr, "%s %d%%\n", label, position / 10);
  }
  lastShown_ = position;
}

void TerminalUi::EndProgress() {
  std::lock_guard<std::mutex> hold(lock_);
  if (interactive_ && lastShown_ >= 0) std::fputc('\n', stderr);
  lastShown_ = -1;
}
