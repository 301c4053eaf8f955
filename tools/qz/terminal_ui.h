// The terminal's UI port for qz: boxes on standard error, questions asked on the
// terminal when there is one (answered with the default button otherwise), the page's
// status line when it changes, a one-line progress bar, and the taskbar progress as the
// terminal's own progress indicator (OSC 9;4) where stderr is a terminal.
#pragma once

#include <mutex>
#include <string>

#include "platform/ui_port.h"

class TerminalUi final : public UiPort {
 public:
  TerminalUi();   // installs itself as the port
  ~TerminalUi();  // restores the default port
  int ShowMessageBox(const MessageBoxRequest& request) override;
  void ShowControl(Control control, bool visible) override;
  void SetProgressPos(int position) override;
  void Repaint() override;
  void* MainWindow() override { return this; }  // the terminal stands for the window
  void SetTaskbarState(TaskbarFlag flag) override;
  void SetTaskbarValue(std::uint64_t completed, std::uint64_t total) override;

 private:
  void EndBarLine();  // lock_ held

  std::mutex lock_;
  bool interactive_;
  int lastShown_ = -1;  // bar position last drawn, -1 when no bar line is open
  std::string status_;
  TaskbarFlag taskbarFlag_ = TaskbarFlag::NoProgress;
};
