#include "workers/cleanup.h"

#include <chrono>
#include <thread>

#include "online/download.h"
#include "online/server.h"
#include "platform/fatal.h"
#include "platform/fs.h"
#include "workers/file_list.h"

namespace {
void DeleteIfThere(const char* path) {
  if (path[0] != '\0' && PathExists(path)) DeleteFileAt(path);
}

void StopAndDeleteThisRun() {
  g_cancelRequested = true;  // the other decoders stop before their next code or file
  DeletePackageAndTemporaries();
}
}  // namespace

std::string SiblingOfTemporary(const std::string& temporary) {
  return temporary.substr(0, temporary.size() - std::char_traits<char>::length(kTempSuffix)) + kNewSuffix;
}

void DeleteTemporariesAndSiblings(const StringList& temporaries) {
  for (const std::string& temporary : temporaries) {
    DeleteIfThere(temporary.c_str());
    DeleteIfThere(SiblingOfTemporary(temporary).c_str());
  }
}

void DeletePackageAndTemporaries() {
  std::lock_guard<std::mutex> hold(g_pathsLock);
  DeleteIfThere(g_packagePath);
  DeleteTemporariesAndSiblings(g_tempFiles);
}

void DeleteLeftoversOf(const StringList& entries, const char* root) {
  StringList temporaries;
  for (const std::string& entry : entries) {
    char path[kPathCapacity];
    if (FormatRootPath(path, root, entry + kTempSuffix)) temporaries.push_back(path);
  }
  DeleteTemporariesAndSiblings(temporaries);
  char package[kPathCapacity];
  if (FormatRootPath(package, root, kPackageFileName)) DeleteIfThere(package);
}

void RegisterInstallFatalCleanUp() { SetFatalCleanUp(StopAndDeleteThisRun); }

void CancelCleanUp() {
  EndWindowTaskbar();
  g_cancelRequested = true;
  std::this_thread::sleep_for(std::chrono::milliseconds(kCancelWaitMs));
  DeletePackageAndTemporaries();
}
