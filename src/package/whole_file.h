// The decoders' files, each read or written whole with plain reads and writes: no mapping,
// so that a 32-bit process spends no address space on them beyond the bytes themselves,
// and four threads of one process do not queue for its address space (a mapping's page
// faults and its unmapping's TLB shootdowns). Sizes are 32-bit: files of 4 GiB or more are
// not supported.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

// Memory for the files a thread reads one after another: it grows to the largest and is
// kept, so that a worker allocates once, not once per file.
struct ReadBuffer {
  std::unique_ptr<std::uint8_t[]> bytes;
  std::size_t capacity = 0;
};

// Room for size bytes in buffer, or null when the memory cannot be had (for the platforms'
// ReadWholeFile).
std::uint8_t* MakeRoom(ReadBuffer& buffer, std::size_t size);

// Reads the whole file at path into buffer. Empty when the file cannot be opened or read,
// is empty, is 4 GiB or more, or the memory for it cannot be had.
std::span<const std::uint8_t> ReadWholeFile(const char* path, ReadBuffer& buffer);

// Creates (or truncates) the file and writes exactly these size bytes into it, in one
// write: filling a shared mapping instead costs a page fault per 4 KiB page (unpacking was
// 1.6 times slower), and in a 32-bit process the address space of the file a second time.
// Never returns on failure, nor for a size of 0: the fatal box ends the process with the
// system error code.
void WriteWholeFile(const char* path, const std::uint8_t* data, std::uint32_t size);
