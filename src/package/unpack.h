// Unpacking: each temporary cut from the package is decoded into its target.
#pragma once

#include <atomic>
#include <cstdint>

#include "app/state.h"
#include "package/container.h"

constexpr const char* kTempSuffix = ".qzar";
// A file is decoded into this sibling and then renamed over its target, so that the
// target is always either its old or its new complete content.
constexpr const char* kNewSuffix = ".qznew";
// Temporaries are read in pieces of this size: the piece and the output of one dictionary
// stay in the cache from the read to the write. Even, so that no code straddles two.
constexpr std::uint32_t kInputPiece = 128 * 1024;

// Where a share's sources come from: a cut still running, whose list indices for the
// share are first, first + stride, ..., or none when every source is already cut.
struct CutFollower {
  const CutProgress* cut = nullptr;
  std::size_t first = 0;
  std::size_t stride = 1;
  // Waits for the share's source c; false when the cut ended without it.
  bool Await(std::size_t c) const { return cut == nullptr || cut->AwaitRecord(first + stride * c); }
};

// One decoding thread's job: decode each source into its target, in order. Each target
// is replaced whole by renaming its sibling (target + kNewSuffix) over it, and its source
// is deleted then; a refused rename takes the fatal path. A temporary that is missing,
// decodes to nothing or needs more memory than can be had is counted in failures, its
// sibling deleted and its target left untouched; so is one that the cut never reached.
// After a cancel the thread deletes the sibling it was writing and stops. done is set last.
void UnpackShare(StringList sources, StringList targets, std::atomic<bool>& done,
                 std::atomic<std::int32_t>& progress, std::atomic<std::int32_t>& failures, CutFollower cut = {});
