#include "workers/progress.h"

#include "app/state.h"

std::int32_t Position(std::int32_t done, std::int32_t total) {
  if (total <= 0) return g_progressScale;
  return static_cast<std::int32_t>(done * 1000.0 / total);
}

void ShowPosition(TaskBarProgress& taskbar, std::int32_t position) {
  Ui().SetProgressPos(position);
  taskbar.SetValue(position, g_progressScale);
}
