// The few folder and file operations of the workers, on narrow '/' paths.
// Results of deletions are not reported: a file that is already gone is fine.
#pragma once

#include <cstdint>

bool PathExists(const char* path);
bool CreateDirectoryAt(const char* path);  // true when this call created it
void DeleteFileAt(const char* path);
void RemoveDirectoryAt(const char* path);

// Renames from over to in one step, replacing to, so that to is at every moment either
// its old or its new content. False when refused, the system error left for the caller.
// A target that may not be written (a read-only file) or is a folder is refused on every
// platform; Windows also refuses one that another program holds open.
bool RenameOver(const char* from, const char* to);

// Bytes free to the calling user on the drive of root: on Windows the drive named by its
// first three characters, elsewhere the file system of its nearest existing folder.
// 0 when the platform cannot tell.
std::uint64_t FreeBytesForRoot(const char* root);
