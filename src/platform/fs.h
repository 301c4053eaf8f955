// The few folder and file operations of the workers, on narrow '/' paths.
// Results of deletions are not reported: a file that is already gone is fine.
#pragma once

#include <cstdint>

bool PathExists(const char* path);
bool CreateDirectoryAt(const char* path);  // true when this call created it
void DeleteFileAt(const char* path);
void RemoveDirectoryAt(const char* path);

// Bytes free to the calling user on the drive of root: on Windows the drive named by its
// first three characters, elsewhere the file system of its nearest existing folder.
// 0 when the platform cannot tell.
std::uint64_t FreeBytesForRoot(const char* root);
