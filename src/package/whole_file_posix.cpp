#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "package/whole_file.h"
#include "platform/fatal.h"

namespace {
[[noreturn]] void FailWith(int error) {
  errno = error;
  ReportFatalSystemError();
}

// Closes the descriptor when it leaves scope.
struct Descriptor {
  int fd;
  ~Descriptor() {
    if (fd >= 0) ::close(fd);
  }
};
}  // namespace

std::span<const std::uint8_t> ReadWholeFile(const char* path, ReadBuffer& buffer) {
  Descriptor file{::open(path, O_RDONLY | O_CLOEXEC)};
  struct stat info {};
  if (file.fd < 0 || ::fstat(file.fd, &info) != 0 || info.st_size <= 0 || info.st_size > 0xFFFFFFFFll) return {};
  auto size = static_cast<std::size_t>(info.st_size);
  std::uint8_t* into = MakeRoom(buffer, size);
  if (into == nullptr) return {};
  for (std::size_t done = 0; done < size;) {
    ssize_t got = ::read(file.fd, into + done, size - done);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return {};
    done += static_cast<std::size_t>(got);
  }
  return {into, size};
}

void OutputFile::Append(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return;
  if (file_ == -1) {
    file_ = ::open(path_, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (file_ < 0) ReportFatalSystemError();
  }
  for (std::size_t done = 0; done < size;) {
    ssize_t written = ::write(static_cast<int>(file_), data + done, size - done);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) FailWith(written < 0 ? errno : ENOSPC);
    done += static_cast<std::size_t>(written);
  }
}

void OutputFile::Close() {
  if (file_ != -1) ::close(static_cast<int>(file_));
  file_ = -1;
}
