#include <windows.h>
#include <shlwapi.h>

#include "platform/fs.h"

bool PathExists(const char* path) { return PathFileExistsA(path) != FALSE; }
bool CreateDirectoryAt(const char* path) { return CreateDirectoryA(path, nullptr) != FALSE; }
void DeleteFileAt(const char* path) { DeleteFileA(path); }
void RemoveDirectoryAt(const char* path) { RemoveDirectoryA(path); }
bool RenameOver(const char* from, const char* to) {
  return MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING) != FALSE;
}

std::uint64_t FreeBytesForRoot(const char* root) {
  wchar_t drive[4] = {};
  for (int i = 0; i < 3 && root[i] != '\0'; ++i) drive[i] = static_cast<unsigned char>(root[i]);
  ULARGE_INTEGER available{};
  if (!GetDiskFreeSpaceExW(drive, &available, nullptr, nullptr)) return 0;
  return available.QuadPart;
}
