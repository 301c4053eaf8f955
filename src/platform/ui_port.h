// What the core asks of a window. The Win32 front end implements it with real
// controls, qz with a terminal, the tests with a recorder. Every call may come from
// any thread; each implementation makes that safe. Texts are UTF-8.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <optional>
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

// The window's controls by their ids. The licence text box and the progress bar are
// created with id 0, so the port names them by keys of their own below zero.
enum class Control : int {
  Next = 10030,
  Back = 10040,
  Change = 10050,
  Install = 10060,
  Cancel = 10070,
  Accept = 10080,
  Reject = 10090,
  Print = 10100,
  FolderGroup = 10160,
  Finish = 10190,
  Repair = 10220,
  Remove = 10230,
  Delete = 10260,
  LicenceText = -1,
  ProgressBar = -2,
};

// A rectangle in client or device units: left, top, right, bottom.
struct Rect {
  int left = 0, top = 0, right = 0, bottom = 0;
  bool operator==(const Rect&) const = default;
};

// The folder dialog's flags: no domain browsing, no button for a new folder.
constexpr unsigned kBrowseFolderFlags = 0x202;

// The printer's device context of one print job; the destructor releases it.
// Results are the platform's: StartDocument and StartPage fail at 0 or below, DrawTextIn at 0.
class PrintDevice {
 public:
  enum class Cap { LogPixelsY = 90, HorzRes = 8, VertRes = 10 };
  virtual ~PrintDevice() = default;
  // outputFile null: print to the device.
  virtual int StartDocument(const std::u16string& documentName, const std::u16string* outputFile) = 0;
  virtual int StartPage() = 0;
  virtual int DeviceCaps(Cap cap) = 0;
  // CreateFontW with this height and face, every other parameter 0, selected into the context.
  virtual void SelectFont(int height, const std::u16string& face) = 0;
  virtual int DrawTextIn(const std::u16string& text, const Rect& rect, unsigned flags) = 0;
  virtual int EndPage() = 0;
  virtual int EndDoc() = 0;
  virtual int AbortDoc() = 0;
};

// What the print dialog gave.
struct PrinterChoice {
  bool print = false;         // the dialog succeeded and ended with Print
  std::u16string deviceName;  // the chosen printer's name
  std::unique_ptr<PrintDevice> device;  // null when no device context came back
};

// Taskbar button states, with the values of the platform's TBPF_ flags.
enum class TaskbarFlag : int { NoProgress = 0, Normal = 2, Error = 4 };

class UiPort {
 public:
  virtual ~UiPort() = default;
  // Shows a modal box and returns the answer (kIdOk, kIdCancel, kIdYes, kIdNo).
  virtual int ShowMessageBox(const MessageBoxRequest& request) = 0;

  // The window. A port without one (the platform's default before a front end is
  // installed) ignores these and reads every control as unchecked.
  virtual void ShowControl(Control, bool /*visible*/) {}
  virtual void EnableControl(Control, bool /*enabled*/) {}
  virtual void CheckControl(Control, bool /*checked*/) {}
  virtual bool IsControlChecked(Control) { return false; }
  virtual void SetProgressPos(int /*position*/) {}  // 0..1000
  // Invalidates the whole client area and paints it at once from the installer state.
  virtual void Repaint() {}
  virtual void DestroyMainWindow() {}

  // The platform's folder dialog, owned by the main window, with a UTF-8 title. Nothing
  // when the user cancelled; an empty path for an item that is not a file-system folder;
  // otherwise the folder in the system's narrow code page, as the platform writes it.
  virtual std::optional<std::string> BrowseForFolder(const std::string& /*title*/, unsigned /*flags*/) {
    return std::nullopt;
  }
  // The print dialog (return a device context, no page numbers), owned by the main window.
  virtual PrinterChoice ChoosePrinter() { return {}; }

  // The main window's native handle (an HWND on Windows) for its taskbar button; null
  // while there is no window.
  virtual void* MainWindow() { return nullptr; }
  // Where the platform has no taskbar list of its own (everything but Windows), the
  // taskbar progress of that window is handed to the port.
  virtual void SetTaskbarState(TaskbarFlag) {}
  virtual void SetTaskbarValue(std::uint64_t /*completed*/, std::uint64_t /*total*/) {}
};

// The port in use. Until a front end installs its own, boxes go to the platform's
// default (a real message box on Windows, standard error elsewhere).
UiPort& Ui();
void SetUi(UiPort* port);  // nullptr restores the default

// The wizard's own caption, shared by every box the wizard, the fetches and the workers show.
constexpr const char* kWizardCaption = "Xq-730 QZ Installer v1.1";

// Shows a box owned by the main window with the wizard's caption.
int ShowWizardBox(const std::string& text, unsigned flags);

// Shows or hides several controls at once, in the order given.
void ShowControls(std::initializer_list<Control> controls, bool visible);
