#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "package/package_file.h"
#include "platform/fatal.h"

PackageFile::~PackageFile() {
  if (file_ >= 0) ::close(static_cast<int>(file_));
}

bool PackageFile::Open(const char* path) {
  int fd = ::open(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  file_ = fd;
  struct stat info {};
  if (::fstat(fd, &info) != 0) return false;
  size_ = static_cast<std::uint64_t>(info.st_size);
  return true;
}

bool PackageFile::ReadAt(std::uint64_t offset, std::uint8_t* into, std::uint32_t count) const {
  while (count > 0) {
    ssize_t got = ::pread(static_cast<int>(file_), into, count, static_cast<off_t>(offset));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;
    into += got;
    offset += static_cast<std::uint64_t>(got);
    count -= static_cast<std::uint32_t>(got);
  }
  return true;
}

bool PackageFile::CopyTo(std::uint64_t offset, std::uint64_t count, const char* path) const {
  int target = ::open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (target < 0) ReportFatalSystemError();
  // The kernel copies page cache to page cache: no pass through this process's memory.
  auto from = static_cast<off_t>(offset);
  bool whole = true;
  while (count > 0 && whole) {
    ssize_t copied = ::copy_file_range(static_cast<int>(file_), &from, target, nullptr, count, 0);
    if (copied < 0 && errno == EINTR) continue;
    if (copied < 0) ReportFatalSystemError();  // a full disk, a file too large for it...
    whole = copied > 0;                        // else the package ended early
    count -= static_cast<std::uint64_t>(copied);
  }
  ::close(target);
  return whole;
}
