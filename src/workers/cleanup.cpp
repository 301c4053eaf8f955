#include "workers/cleanup.h"

#include <chrono>
#include <thread>

#include "app/state.h"
#include "online/download.h"
#include "platform/fs.h"

void DeletePackageAndTemporaries() {
  std::lock_guard<std::mutex> hold(g_pathsLock);
  if (g_packagePath[0] != '\0' && PathExists(g_packagePath)) DeleteFileAt(g_packagePath);
  for (const std::string& temporary : g_tempFiles) {
    if (PathExists(temporary.c_str())) DeleteFileAt(temporary.c_str());
  }
}

void CancelCleanUp() {
  EndWindowTaskbar();
  g_cancelRequested = true;
  std::this_thread::sleep_for(std::chrono::milliseconds(kCancelWaitMs));
  DeletePackageAndTemporaries();
}
