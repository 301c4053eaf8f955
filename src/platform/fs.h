// The few folder and file operations of the workers, on narrow '/' paths.
// Results of deletions are not reported: a file that is already gone is fine.
#pragma once

bool PathExists(const char* path);
bool CreateDirectoryAt(const char* path);  // true when this call created it
void DeleteFileAt(const char* path);
void RemoveDirectoryAt(const char* path);
