// The four decoding threads of the install: entry i goes to thread i % 4.
#pragma once

#include <cstdint>

class CutProgress;

// Rebuilds the path lists from g_fileList, makes sure every folder exists, deals the
// entries to the four threads and starts them, detached. With a cut still running, each
// thread waits for its next temporary to be cut (null: every temporary is there). Returns
// at once; false (nothing started) when a path does not fit.
bool UnpackAll(const CutProgress* cut = nullptr);

struct UnpackStatus {
  bool allDone = false;
  std::int32_t finished = 0;  // files handled by all threads so far
  std::int32_t total = 0;     // files dealt to all threads
  std::int32_t failed = 0;
};
UnpackStatus PollUnpack();
