#include "platform/ui_port.h"

#include <atomic>

#include "platform/default_ui.h"

namespace {
std::atomic<UiPort*> g_port{nullptr};
}

UiPort& Ui() {
  UiPort* port = g_port.load(std::memory_order_acquire);
  return port != nullptr ? *port : DefaultUi();
}

void SetUi(UiPort* port) { g_port.store(port, std::memory_order_release); }

int ShowWizardBox(const std::string& text, unsigned flags) {
  return Ui().ShowMessageBox({text, kWizardCaption, flags, BoxOwner::MainWindow});
}

void ShowControls(std::initializer_list<Control> controls, bool visible) {
  for (Control control : controls) Ui().ShowControl(control, visible);
}
