// The two disk-space lines of the folder page: the add-on's size from the server and
// the free space on the root's drive.
#pragma once

#include <cstdint>
#include <optional>

#include "app/state.h"

enum class DiskSpaceResult { Done, NoConnection, SizeMissing };

// Fetches the size, measures the free space, fills the two lines and repaints. On the
// two failures the message has been shown and the lines keep their earlier texts.
DiskSpaceResult ReportDiskSpace();

// Measures the free space on g_simRoot's drive and fills the available line; Change
// calls it too, since the new folder may be on another drive.
void ReportAvailableSpace();

// The size file's leading decimal number. Nothing when the text does not start with a
// digit, when the number does not fit in 64 bits, or when its digits fill the whole
// buffer (the read may have cut them); bytes past the buffer are never read.
std::optional<std::uint64_t> ParseSizeText(const char (&text)[kSizeTextCapacity]);
