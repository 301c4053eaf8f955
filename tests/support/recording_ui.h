// The tests' UI port: logs every call in order, keeps the controls' states, and answers
// message boxes from a script. Safe from any thread.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/ui_port.h"

class RecordingUi final : public UiPort {
 public:
  RecordingUi() { SetUi(this); }      // installs itself as the port
  ~RecordingUi() { SetUi(nullptr); }  // restores the default port

  int ShowMessageBox(const MessageBoxRequest& request) override;
  void ShowControl(Control control, bool visible) override { Set(visible_, control, visible, "show", "hide"); }
  void EnableControl(Control control, bool enabled) override { Set(enabled_, control, enabled, "enable", "disable"); }
  void CheckControl(Control control, bool checked) override { Set(checked_, control, checked, "check", "uncheck"); }
  bool IsControlChecked(Control control) override { return Locked([&] { return checked_[control]; }); }
  void SetProgressPos(int position) override { Add("bar " + std::to_string(position)); }
  void Repaint() override;  // logged with the page and phase it would paint
  void DestroyMainWindow() override { Add("destroy"); }
  void* MainWindow() override { return this; }  // stands for the window
  void SetTaskbarState(TaskbarFlag flag) override { Add("taskbar state " + std::to_string(static_cast<int>(flag))); }
  void SetTaskbarValue(std::uint64_t completed, std::uint64_t total) override {
    Add("taskbar " + std::to_string(completed) + "/" + std::to_string(total));
  }
  // Logged as "browse <title>"; answers what PickFolder queued (nothing: cancelled).
  std::optional<std::string> BrowseForFolder(const std::string& title, unsigned flags) override;
  // Logged as "print dialog"; answers with what the printer function gives.
  PrinterChoice ChoosePrinter() override;

  // The controls as the window creates them from its table: shown, checked, enabled.
  void CreateControls();
  void PickFolder(std::optional<std::string> answer) { Locked([&] { folders_.push_back(std::move(answer)); }); }
  void SetPrinter(std::function<PrinterChoice()> printer) { Locked([&] { printer_ = std::move(printer); }); }

  void Answer(int answer) { Locked([&] { answers_.push_back(answer); }); }  // queued; kIdOk once none is left
  std::vector<MessageBoxRequest> Boxes() const { return Locked([&] { return boxes_; }); }
  std::vector<std::string> Texts() const;  // the boxes' texts alone
  // Every call in order: "show Finish", "hide Cancel", "enable Next", "check Accept",
  // "bar 500", "repaint page 6 phase 1", "destroy", "taskbar state 2",
  // "taskbar 500/1000", "box <text>"; or only the entries that start with prefix,
  // e.g. "bar " or "repaint".
  std::vector<std::string> Log(const std::string& prefix = "") const;
  // The window's controls in one line, e.g. "shown: Next Cancel | disabled: Next | checked: Reject",
  // each group in creation order; a group with no control is left out.
  std::string Controls() const;
  // Called with each new log entry, on the thread that made the call, before the call
  // returns: a test can act, or hold the caller, at an exact moment of a job.
  void OnEntry(std::function<void(const std::string&)> hook) { Locked([&] { hook_ = std::move(hook); }); }

 private:
  void Add(std::string entry);
  void Set(std::map<Control, bool>& states, Control control, bool on, const char* yes, const char* no);
  template <typename F>
  auto Locked(F f) const -> decltype(f()) {  // f's result, computed under the lock
    std::lock_guard<std::mutex> hold(lock_);
    return f();
  }

  mutable std::mutex lock_;
  std::vector<MessageBoxRequest> boxes_;
  std::deque<int> answers_;
  std::vector<std::string> log_;
  std::map<Control, bool> visible_, checked_, enabled_;
  std::deque<std::optional<std::string>> folders_;
  std::function<PrinterChoice()> printer_;
  std::function<void(const std::string&)> hook_;
};

const char* ControlName(Control control);
Control ControlNamed(const std::string& name);  // the control ControlName names so
