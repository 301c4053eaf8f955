#include "support/recording_ui.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <utility>

#include "app/state.h"
#include "wizard/window_data.h"

namespace {
constexpr std::pair<Control, const char*> kNames[] = {
    {Control::Next, "Next"},         {Control::Back, "Back"},        {Control::Change, "Change"},
    {Control::Install, "Install"},   {Control::Cancel, "Cancel"},    {Control::Accept, "Accept"},
    {Control::Reject, "Reject"},     {Control::Print, "Print"},      {Control::FolderGroup, "FolderGroup"},
    {Control::Finish, "Finish"},     {Control::Repair, "Repair"},    {Control::Remove, "Remove"},
    {Control::Delete, "Delete"},     {Control::LicenceText, "LicenceText"}, {Control::ProgressBar, "ProgressBar"},
};

// The queue's first answer, taken from it, or fallback once it is empty.
template <typename T>
T Take(std::deque<T>& queue, T fallback) {
  if (queue.empty()) return fallback;
  T first = std::move(queue.front());
  queue.pop_front();
  return first;
}
}  // namespace

const char* ControlName(Control control) {
  for (auto [named, name] : kNames) {
    if (named == control) return name;
  }
  return "?";
}

Control ControlNamed(const std::string& name) {
  for (auto [control, named] : kNames) {
    if (named == name) return control;
  }
  ADD_FAILURE() << "no control is named " << name;
  return Control::LicenceText;
}

void RecordingUi::Add(std::string entry) {
  auto hook = Locked([&] {
    log_.push_back(entry);
    return hook_;
  });
  if (hook) hook(entry);  // unlocked: the hook may hold this thread
}

void RecordingUi::OnEntry(std::function<void(const std::string&)> hook) {
  Locked([&] { hook_ = std::move(hook); });
}

int RecordingUi::ShowMessageBox(const MessageBoxRequest& request) {
  // Echoed so that death tests, which only see the child's output, can match it.
  std::fprintf(stderr, "[box %s] %s\n", request.caption.c_str(), request.text.c_str());
  Add("box " + request.text);
  return Locked([&] {
    boxes_.push_back(request);
    return Take(answers_, int{kIdOk});
  });
}

void RecordingUi::Set(std::map<Control, bool>& states, Control control, bool on, const char* yes, const char* no) {
  Add(std::string(on ? yes : no) + " " + ControlName(control));
  Locked([&] { states[control] = on; });
}

bool RecordingUi::IsControlChecked(Control control) {
  return Locked([&] { return checked_[control]; });
}

void RecordingUi::Repaint() {
  Add("repaint page " + std::to_string(g_page.load()) + " phase " + std::to_string(g_installPhase.load()));
}

void RecordingUi::SetTaskbarValue(std::uint64_t completed, std::uint64_t total) {
  Add("taskbar " + std::to_string(completed) + "/" + std::to_string(total));
}

void RecordingUi::Answer(int answer) {
  Locked([&] { answers_.push_back(answer); });
}

std::vector<MessageBoxRequest> RecordingUi::Boxes() const {
  return Locked([&] { return boxes_; });
}

std::vector<std::string> RecordingUi::Texts() const {
  std::vector<std::string> texts;
  for (const MessageBoxRequest& box : Boxes()) texts.push_back(box.text);
  return texts;
}

std::vector<std::string> RecordingUi::Log(const std::string& prefix) const {
  std::vector<std::string> found;
  for (const std::string& entry : Locked([&] { return log_; })) {
    if (entry.rfind(prefix, 0) == 0) found.push_back(entry);
  }
  return found;
}

std::optional<std::string> RecordingUi::BrowseForFolder(const std::string& title, unsigned flags) {
  Add("browse " + title + " flags " + std::to_string(flags));
  return Locked([&] { return Take(folders_, std::optional<std::string>()); });
}

PrinterChoice RecordingUi::ChoosePrinter() {
  Add("print dialog");
  auto printer = Locked([&] { return printer_; });
  return printer ? printer() : PrinterChoice{};
}

void RecordingUi::CreateControls() {
  std::lock_guard<std::mutex> hold(lock_);
  for (const ControlSpec& spec : WizardControls()) {
    visible_[spec.control] = (spec.style & kWsVisible) != 0;
    checked_[spec.control] = spec.checked;
    enabled_[spec.control] = true;
  }
}

void RecordingUi::PickFolder(std::optional<std::string> answer) {
  Locked([&] { folders_.push_back(std::move(answer)); });
}

void RecordingUi::SetPrinter(std::function<PrinterChoice()> printer) {
  Locked([&] { printer_ = std::move(printer); });
}

std::string RecordingUi::Controls() const {
  std::lock_guard<std::mutex> hold(lock_);
  auto group = [](const char* name, const std::map<Control, bool>& states, bool wanted) {
    std::string names;
    for (const ControlSpec& spec : WizardControls()) {
      auto it = states.find(spec.control);
      if (it != states.end() && it->second == wanted) names += std::string(" ") + ControlName(spec.control);
    }
    return names.empty() ? std::string() : std::string(name) + ":" + names;
  };
  std::string line;
  for (std::string part : {group("shown", visible_, true), group("disabled", enabled_, false),
                           group("checked", checked_, true)}) {
    if (!part.empty()) line += (line.empty() ? "" : " | ") + part;
  }
  return line;
}
