#include "support/recording_ui.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <tuple>
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
  auto named = std::find_if(std::begin(kNames), std::end(kNames), [&](auto& entry) { return entry.first == control; });
  return named != std::end(kNames) ? named->second : "?";
}

Control ControlNamed(const std::string& name) {
  auto named = std::find_if(std::begin(kNames), std::end(kNames), [&](auto& entry) { return entry.second == name; });
  if (named != std::end(kNames)) return named->first;
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

void RecordingUi::Repaint() {
  Add("repaint page " + std::to_string(g_page.load()) + " phase " + std::to_string(g_installPhase.load()));
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

std::string RecordingUi::Controls() const {
  std::lock_guard<std::mutex> hold(lock_);
  std::string line;
  for (auto [group, states, wanted] : {std::tuple{"shown", &visible_, true}, std::tuple{"disabled", &enabled_, false},
                                       std::tuple{"checked", &checked_, true}}) {
    std::string names;
    for (const ControlSpec& spec : WizardControls()) {
      auto it = states->find(spec.control);
      if (it != states->end() && it->second == wanted) names += std::string(" ") + ControlName(spec.control);
    }
    if (!names.empty()) line += (line.empty() ? "" : " | ") + std::string(group) + ":" + names;
  }
  return line;
}
