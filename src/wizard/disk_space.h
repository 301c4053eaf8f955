// The two disk-space lines of the folder page: the add-on's size from the server and
// the free space on the root's drive.
#pragma once

#include <cstdint>

enum class DiskSpaceResult { Done, NoConnection, SizeMissing };

// Fetches the size, measures the free space, fills the two lines and repaints. On the
// two failures the message has been shown and the lines keep their earlier texts.
DiskSpaceResult ReportDiskSpace();

// The leading number of the 16-byte size text as the platform's atoi reads it (spaces,
// a sign, digits), saturated to 32 bits; bytes past the 16th are never read.
std::int32_t ParseSizeText(const char (&text)[16]);
