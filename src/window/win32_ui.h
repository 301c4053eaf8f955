// The UI port over the real window. Workers call it from their own threads: the calls
// are SendMessageW, ShowWindow and EnableWindow on handles, which the system carries to
// the window thread while the caller waits. Once the window is gone every call is
// dropped and a box owned by it is not shown.
#pragma once

#include "platform/ui_port.h"

class Win32Ui final : public UiPort {
 public:
  int ShowMessageBox(const MessageBoxRequest& request) override;
  void ShowControl(Control control, bool visible) override;
  void EnableControl(Control control, bool enabled) override;
  void CheckControl(Control control, bool checked) override;
  bool IsControlChecked(Control control) override;
  void SetProgressPos(int position) override;
  void Repaint() override;
  void DestroyMainWindow() override;
  std::optional<std::string> BrowseForFolder(const std::string& title, unsigned flags) override;
  PrinterChoice ChoosePrinter() override;
  void* MainWindow() override;
};
