#include <windows.h>

#include "platform/default_ui.h"
#include "platform/dialogs_win32.h"
#include "platform/wide_text.h"

namespace {
// Before the wizard window exists (and in the console tools) a box has no owner.
class MessageBoxUi final : public UiPort {
 public:
  int ShowMessageBox(const MessageBoxRequest& request) override {
    return MessageBoxW(nullptr, WidenUtf8(request.text).c_str(), WidenUtf8(request.caption).c_str(), request.flags);
  }
  std::optional<std::string> BrowseForFolder(const std::string& title, unsigned flags) override {
    return ShowFolderDialog(nullptr, title, flags);
  }
  PrinterChoice ChoosePrinter() override { return ShowPrintDialog(nullptr); }
};
}  // namespace

UiPort& DefaultUi() {
  static MessageBoxUi ui;
  return ui;
}
