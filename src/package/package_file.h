// The package read through plain reads at 64-bit offsets instead of one mapping of the
// whole file: a 32-bit process cuts a package of several GiB, and the memory the cut
// needs does not grow with the package.
#pragma once

#include <cstdint>

class PackageFile {
 public:
  PackageFile() = default;
  PackageFile(const PackageFile&) = delete;
  PackageFile& operator=(const PackageFile&) = delete;
  ~PackageFile();

  // Opens an existing file for reading; false when it cannot be opened or sized.
  bool Open(const char* path);
  std::uint64_t Size() const { return size_; }
  // Reads exactly count bytes at offset; false when they cannot all be read.
  bool ReadAt(std::uint64_t offset, std::uint8_t* into, std::uint32_t count) const;
  // Creates (or truncates) the file at path and copies count bytes from offset into it.
  // False when the package cannot be read; a target that cannot be created or written
  // takes the fatal path with the system error code.
  bool CopyTo(std::uint64_t offset, std::uint64_t count, const char* path) const;

 private:
  std::intptr_t file_ = -1;  // fd, or HANDLE on Windows
  std::uint64_t size_ = 0;
};
