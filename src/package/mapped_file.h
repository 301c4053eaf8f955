// Whole-file memory mappings: every bulk read and write of the package engine.
// Sizes are 32-bit: files of 4 GiB or more are not supported.
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

// Creates (or truncates) the file at exactly size bytes and maps it for writing.
// Never returns on failure: the fatal box ends the process with the system error code.
std::uint8_t* CreateMappedForWrite(MappedFile& record, const char* path, std::uint32_t size);

// Creates (or truncates) the file and writes exactly these size bytes into it, with the
// same fatal end as CreateMappedForWrite on any failure. For bytes that are already whole
// in memory: on Linux one write() spares the page fault per 4 KiB page that filling a
// shared mapping costs, which made unpacking about 1.6 times faster.
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
