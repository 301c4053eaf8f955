#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>

#include "platform/fs.h"

bool PathExists(const char* path) { return ::access(path, F_OK) == 0; }
bool CreateDirectoryAt(const char* path) { return ::mkdir(path, 0755) == 0; }
void DeleteFileAt(const char* path) { ::unlink(path); }
void RemoveDirectoryAt(const char* path) { ::rmdir(path); }

bool RenameOver(const char* from, const char* to) {
  // rename(2) needs only the folder's permission; a read-only file is kept as Windows
  // keeps it, and as writing into it in place would have.
  if (::faccessat(AT_FDCWD, to, W_OK, AT_EACCESS) != 0 && errno != ENOENT) return false;
  return std::rename(from, to) == 0;
}

std::uint64_t FreeBytesForRoot(const char* root) {
  std::filesystem::path folder(root);
  if (!folder.is_absolute()) return 0;  // such as the Windows default: no drive here
  std::error_code error;
  while (!std::filesystem::is_directory(folder, error) && folder.has_relative_path()) folder = folder.parent_path();
  struct statvfs info {};
  if (::statvfs(folder.c_str(), &info) != 0) return 0;
  return static_cast<std::uint64_t>(info.f_bavail) * info.f_frsize;
}
