#include <cstdio>

#include "platform/default_ui.h"

namespace {
// Without a window there is nobody to ask: the box is written to standard error and
// answered with its default button.
class StderrUi final : public UiPort {
 public:
  int ShowMessageBox(const MessageBoxRequest& request) override {
    std::fprintf(stderr, "[%s] %s\n", request.caption.c_str(), request.text.c_str());
    return (request.flags & 0xF) == kMbYesNo ? kIdYes : kIdOk;
  }
};
}  // namespace

UiPort& DefaultUi() {
  static StderrUi ui;
  return ui;
}
