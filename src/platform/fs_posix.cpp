#include <sys/stat.h>
#include <unistd.h>

#include "platform/fs.h"

bool PathExists(const char* path) { return ::access(path, F_OK) == 0; }
bool CreateDirectoryAt(const char* path) { return ::mkdir(path, 0755) == 0; }
void DeleteFileAt(const char* path) { ::unlink(path); }
void RemoveDirectoryAt(const char* path) { ::rmdir(path); }
