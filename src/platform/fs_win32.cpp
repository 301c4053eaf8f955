#include <windows.h>
#include <shlwapi.h>

#include "platform/fs.h"

bool PathExists(const char* path) { return PathFileExistsA(path) != FALSE; }
bool CreateDirectoryAt(const char* path) { return CreateDirectoryA(path, nullptr) != FALSE; }
void DeleteFileAt(const char* path) { DeleteFileA(path); }
void RemoveDirectoryAt(const char* path) { RemoveDirectoryA(path); }
