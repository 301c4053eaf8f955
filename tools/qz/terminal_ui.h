// The terminal's UI port for qz: boxes on standard error, questions asked on the
// terminal when there is one (answered with the default button otherwise), and a
// one-line progress bar.
#pragma once

#include <mutex>

#include "platform/ui_port.h"

class TerminalUi final : public UiPort {
 public:
  TerminalUi();   // installs itself as the port
  ~TerminalUi();  // restores the default port
  int ShowMessageBox(const MessageBoxRequest& request) override;
  // Position 0..1000 with a label; redrawn in place on a terminal, printed in steps of
  // 10 % otherwise so that logs stay short.
  void ShowProgress(const char* label, int position);
  void EndProgress();

 private:
  std::mutex lock_;
  bool interactive_;
  int lastShown_ = -1;
};
