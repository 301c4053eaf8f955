#include "workers/cleanup.h"

#include "app/state.h"
#include "platform/fs.h"

void DeletePackageAndTemporaries() {
  std::lock_guard<std::mutex> hold(g_pathsLock);
  if (g_packagePath[0] != '\0' && PathExists(g_packagePath)) DeleteFileAt(g_packagePath);
  for (const std::string& temporary : g_tempFiles) {
    if (PathExists(temporary.c_str())) DeleteFileAt(temporary.c_str());
  }
}
