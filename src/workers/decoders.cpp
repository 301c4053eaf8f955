#include "workers/decoders.h"

#include <thread>

#include "package/unpack.h"
#include "workers/file_list.h"

bool UnpackAll(const CutProgress* cut) {
  // Progress is cleared too: a thread with nothing to do never writes its counter, and
  // a second install in one process must not count the first one's files.
  ResetWorkerShares();
  if (!PrepareEntryPaths()) return false;
  for (std::size_t k = 0; k < g_tempFiles.size(); ++k) {
    g_workerSources[k % kWorkerCount].push_back(g_tempFiles[k]);
    g_workerTargets[k % kWorkerCount].push_back(g_targetFiles[k]);
  }
  for (int j = 0; j < kWorkerCount; ++j) {
    std::thread(UnpackShare, g_workerSources[j], g_workerTargets[j], std::ref(g_workerDone[j]),
                std::ref(g_workerProgress[j]), std::ref(g_workerFailures[j]),
                CutFollower{cut, static_cast<std::size_t>(j), kWorkerCount})
        .detach();
  }
  return true;
}

UnpackStatus PollUnpack() {
  UnpackStatus status;
  status.allDone = true;
  for (int j = 0; j < kWorkerCount; ++j) {
    status.allDone = g_workerDone[j].load(std::memory_order_acquire) && status.allDone;
    status.finished += g_workerProgress[j].load(std::memory_order_relaxed);
    status.failed += g_workerFailures[j].load(std::memory_order_relaxed);
    status.total += static_cast<std::int32_t>(g_workerSources[j].size());
  }
  return status;
}
