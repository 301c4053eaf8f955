// Parallel unpacking: the temporaries cut by SplitPackage are decoded into their
// targets by four detached threads; entry i goes to thread i % 4.
#pragma once

#include <atomic>
#include <cstdint>

#include "app/state.h"

// Rebuilds the path lists from g_fileList, makes sure every folder exists, deals the
// entries to the four threads and starts them. Returns at once; false (nothing
// started) when a path does not fit.
bool UnpackAll();

// One thread's job: decode each source into its target, in order. Each target is
// replaced whole by renaming its sibling (target + kNewSuffix) over it; a refused rename
// takes the fatal path. A temporary that is missing or decodes to nothing is counted in
// failures and its target left untouched; after a cancel the thread stops before
// writing anything more. done is set last.
void UnpackShare(StringList sources, StringList targets, std::atomic<bool>& done,
                 std::atomic<std::int32_t>& progress, std::atomic<std::int32_t>& failures);

struct UnpackStatus {
  bool allDone = false;
  std::int32_t finished = 0;  // files handled by all threads so far
  std::int32_t total = 0;     // files dealt to all threads
  std::int32_t failed = 0;
};
UnpackStatus PollUnpack();
