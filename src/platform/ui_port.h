// What the core asks of a window. The Win32 front end implements it with real
// controls, qz with a terminal, the tests with a recorder. Every call may come from
// any thread; each implementation makes that safe. Texts are UTF-8.
#pragma once

#include <string>

// Message box flags and answers, with the values the Win32 API gives them.
enum : unsigned {
  kMbOk = 0x0,
  kMbOkCancel = 0x1,
  kMbYesNo = 0x4,
  kMbIconQuestion = 0x20,
  kMbIconExclamation = 0x30,
};
enum : int { kIdOk = 1, kIdCancel = 2, kIdYes = 6, kIdNo = 7 };

enum class BoxOwner { None, MainWindow };

struct MessageBoxRequest {
  std::string text;
  std::string caption;
  unsigned flags = kMbOk;
  BoxOwner owner = BoxOwner::None;
};

class UiPort {
 public:
  virtual ~UiPort() = default;
  // Shows a modal box and returns the answer (kIdOk, kIdCancel, kIdYes, kIdNo).
  virtual int ShowMessageBox(const MessageBoxRequest& request) = 0;
};

// The port in use. Until a front end installs its own, boxes go to the platform's
// default (a real message box on Windows, standard error elsewhere).
UiPort& Ui();
void SetUi(UiPort* port);  // nullptr restores the default

// The wizard's own caption, shared by every box the wizard, the fetches and the workers show.
constexpr const char* kWizardCaption = "Xq-730 QZ Installer v1.1";

// Shows a box owned by the main window with the wizard's caption.
int ShowWizardBox(const std::string& text, unsigned flags);
