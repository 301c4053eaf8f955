// ITaskbarList3 of the shell, one object per TaskBarProgress, used in the apartment of
// the thread that created it.
#include <windows.h>
#include <shobjidl.h>

#include "online/taskbar_progress.h"

namespace {
class ShellTaskbarList final : public TaskbarList {
 public:
  ShellTaskbarList(HWND window, ITaskbarList3* list) : window_(window), list_(list) {}
  ~ShellTaskbarList() override { list_->Release(); }
  void SetProgressState(TaskbarFlag flag) override {
    list_->SetProgressState(window_, static_cast<TBPFLAG>(flag));
  }
  void SetProgressValue(std::uint64_t completed, std::uint64_t total) override {
    list_->SetProgressValue(window_, completed, total);
  }

 private:
  HWND window_;
  ITaskbarList3* list_;
};
}  // namespace

std::unique_ptr<TaskbarList> CreateTaskbarList(void* window) {
  HWND handle = static_cast<HWND>(window);
  if (!IsWindow(handle)) return nullptr;  // a port without a real window
  ITaskbarList3* list = nullptr;
  if (FAILED(CoCreateInstance(CLSID_TaskbarList, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskbarList3,
                              reinterpret_cast<void**>(&list)))) {
    return nullptr;
  }
  return std::make_unique<ShellTaskbarList>(handle, list);
}
