// The decoders' files: a temporary is read through one mapping of the whole file, a
// decoded file written whole. Sizes are 32-bit: files of 4 GiB or more are not supported.
#pragma once

#include <cstdint>

struct MappedFile {
  std::intptr_t file = -1;     // platform file handle (fd or HANDLE)
  std::uint8_t* view = nullptr;
  std::intptr_t mapping = 0;   // platform mapping handle (Win32); unused on POSIX
  std::uint32_t length = 0;    // bytes mapped, needed to unmap on POSIX
};

// Opens an existing file read-only and maps all of it. Returns the view, or null when
// any step failed; size is 0 when the file could not be opened, else its length
// (an empty file opens but cannot be mapped: null view, size 0).
const std::uint8_t* OpenMappedForRead(MappedFile& record, const char* path, std::uint32_t& size);

// Creates (or truncates) the file and writes exactly these size bytes into it, in one
// write: filling a shared mapping instead costs a page fault per 4 KiB page (unpacking was
// 1.6 times slower), and in a 32-bit process the address space of the file a second time.
// Never returns on failure, nor for a size of 0: the fatal box ends the process with the
// system error code.
void WriteWholeFile(const char* path, const std::uint8_t* data, std::uint32_t size);

// Unmaps and closes whatever the record holds; safe on a record whose open failed.
void CloseMapped(MappedFile& record);

// Closes the record when it leaves scope.
class ScopedMapping {
 public:
  ScopedMapping() = default;
  ScopedMapping(const ScopedMapping&) = delete;
  ScopedMapping& operator=(const ScopedMapping&) = delete;
  ~ScopedMapping() { CloseMapped(record); }
  MappedFile record;
};
