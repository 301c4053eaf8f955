// The install's split: the file list is fetched and checked, every entry's paths and
// folders are prepared under g_simRoot, and the package is cut into one ".qzar"
// temporary per entry.
#pragma once

#include <cstdint>

#include "package/container.h"

enum class SplitResult {
  Done,
  NoList,         // the list could not be fetched, or the text is not a file list
  UnsafeList,     // an entry could reach outside the root, or its path does not fit
  NoPackage,      // the package cannot be opened, holds no record, or is 4 GiB or more
  Damaged,        // a record is malformed or runs past the end
  RecordCountMismatch,  // more or fewer records than list entries
  Cancelled,      // the user cancelled; what was cut so far stays for the clean-up
};

// Fetches and parses the file list, prepares the paths, checks g_packagePath against the
// list and cuts it. Once the package has passed its check, and only then, `following` is
// told, so that the decoders can follow the cut instead of waiting for its end. Every
// failure has been shown to the user when this returns. A cancel stops the cutting before
// the next record, so that no temporary appears after Cancel's clean-up.
SplitResult SplitPackage(const CutFollowing& following = {});

// The same after the fetch: parses and checks the list text, prepares the paths and
// cuts the package. Its failures have been shown too.
SplitResult SplitWithList(const char* listText, std::uint32_t length, const CutFollowing& following = {});
