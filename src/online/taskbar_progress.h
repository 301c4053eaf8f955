// The progress on a window's taskbar button. Every operation does nothing while the
// platform's taskbar list is not available, so the installer runs the same without one.
// An instance is used on one thread only, the one that initialised COM for it.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/ui_port.h"

// The platform's taskbar list, bound to one window: ITaskbarList3 on Windows, the UI
// port's taskbar elsewhere.
class TaskbarList {
 public:
  virtual ~TaskbarList() = default;
  virtual void SetProgressState(TaskbarFlag flag) = 0;
  virtual void SetProgressValue(std::uint64_t completed, std::uint64_t total) = 0;
};

// Null when the platform cannot give one for this window.
std::unique_ptr<TaskbarList> CreateTaskbarList(void* window);

class TaskBarProgress {
 public:
  explicit TaskBarProgress(void* window) : window_(window) {}
  virtual ~TaskBarProgress() = default;

  void Begin();  // normal state at 0 of 100; obtains the taskbar list on first use
  // Values are widened with their sign, as the platform takes 64-bit unsigned ones.
  void SetValue(std::int32_t completed, std::int32_t total);
  void SetError(std::int32_t completed, std::int32_t total);
  void End();  // no progress, and the taskbar list is released
  bool Active() const { return taskbar_ != nullptr; }

 private:
  void* window_;
  std::unique_ptr<TaskbarList> taskbar_;
};

// The window thread's own instance for the download phase, created on first use for the
// main window and kept until the process ends.
TaskBarProgress& WindowTaskbar();
