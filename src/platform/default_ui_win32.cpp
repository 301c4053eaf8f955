#include <windows.h>

#include "platform/default_ui.h"
#include "platform/wide_text.h"

namespace {
// Before the wizard window exists (and in the console tools) a box has no owner.
class MessageBoxUi final : public UiPort {
 public:
  int ShowMessageBox(const MessageBoxRequest& request) override {
    return MessageBoxW(nullptr, WidenUtf8(request.text).c_str(), WidenUtf8(request.caption).c_str(),
                       request.flags);
  }
};
}  // namespace

UiPort& DefaultUi() {
  static MessageBoxUi ui;
  return ui;
}
