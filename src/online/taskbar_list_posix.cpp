// No taskbar list here: the port shows the progress where it can (a terminal's own
// progress indicator) and otherwise ignores it.
#include "online/taskbar_progress.h"

namespace {
class PortTaskbarList final : public TaskbarList {
 public:
  void SetProgressState(TaskbarFlag flag) override { Ui().SetTaskbarState(flag); }
  void SetProgressValue(std::uint64_t completed, std::uint64_t total) override {
    Ui().SetTaskbarValue(completed, total);
  }
};
}  // namespace

std::unique_ptr<TaskbarList> CreateTaskbarList(void* /*window*/) { return std::make_unique<PortTaskbarList>(); }
