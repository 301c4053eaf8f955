// Files read whole (qz inspect's package) or written in pieces (the decoders' output) with
// plain reads and writes: no mapping, so that a 32-bit process spends no address space on
// them beyond the bytes themselves, and four threads of one process do not queue for its
// address space (a mapping's page faults and its unmapping's TLB shootdowns). Sizes are
// 32-bit: files of 4 GiB or more are not supported.
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

// A decoded file, written in the pieces the decoder hands over while they are still in the
// cache: the first Append creates (or truncates) it. Never returns on failure: the fatal
// box ends the process with the system error code.
class OutputFile {
 public:
  explicit OutputFile(const char* path) : path_(path) {}
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;
  ~OutputFile() { Close(); }

  void Append(const std::uint8_t* data, std::size_t size);  // nothing for a size of 0
  bool Created() const { return file_ != -1; }
  void Close();

 private:
  const char* path_;
  std::intptr_t file_ = -1;  // fd, or HANDLE on Windows
};
