#include "online/taskbar_progress.h"

namespace {
std::uint64_t Widen(std::int32_t value) { return static_cast<std::uint64_t>(static_cast<std::int64_t>(value)); }
}  // namespace

void TaskBarProgress::Begin() {
  if (window_ == nullptr) return;
  if (!taskbar_) {
    taskbar_ = CreateTaskbarList(window_);
    if (!taskbar_) return;
  }
  taskbar_->SetProgressState(TaskbarFlag::Normal);
  taskbar_->SetProgressValue(0, 100);
}

void TaskBarProgress::SetValue(std::int32_t completed, std::int32_t total) {
  if (taskbar_ && window_ != nullptr) taskbar_->SetProgressValue(Widen(completed), Widen(total));
}

void TaskBarProgress::SetError(std::int32_t completed, std::int32_t total) {
  if (!taskbar_ || window_ == nullptr) return;
  taskbar_->SetProgressState(TaskbarFlag::Error);
  taskbar_->SetProgressValue(Widen(completed), Widen(total));
}

void TaskBarProgress::End() {
  if (!taskbar_ || window_ == nullptr) return;
  taskbar_->SetProgressState(TaskbarFlag::NoProgress);
  taskbar_.reset();
}

TaskBarProgress& WindowTaskbar() {
  static TaskBarProgress taskbar(Ui().MainWindow());
  return taskbar;
}
