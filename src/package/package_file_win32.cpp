#include <windows.h>

#include <memory>

#include "package/package_file.h"
#include "platform/fatal.h"

namespace {
constexpr DWORD kCopyBuffer = 4 << 20;

HANDLE AsHandle(std::intptr_t value) { return reinterpret_cast<HANDLE>(value); }

bool ReadAtOffset(HANDLE file, std::uint64_t offset, std::uint8_t* into, DWORD count) {
  while (count > 0) {
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(offset);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    DWORD got = 0;
    if (!ReadFile(file, into, count, &got, &at) || got == 0) return false;
    into += got;
    offset += got;
    count -= got;
  }
  return true;
}
}  // namespace

PackageFile::~PackageFile() {
  if (file_ != -1) CloseHandle(AsHandle(file_));
}

bool PackageFile::Open(const char* path) {
  // Shared for deletion: a Cancel's clean-up must be able to delete it while it is read.
  HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  file_ = reinterpret_cast<std::intptr_t>(file);
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file, &size)) return false;
  size_ = static_cast<std::uint64_t>(size.QuadPart);
  return true;
}

bool PackageFile::ReadAt(std::uint64_t offset, std::uint8_t* into, std::uint32_t count) const {
  return ReadAtOffset(AsHandle(file_), offset, into, count);
}

bool PackageFile::CopyTo(std::uint64_t offset, std::uint64_t count, const char* path) const {
  HANDLE target = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (target == INVALID_HANDLE_VALUE) ReportFatalSystemError();
  // One read and one write for a record up to the buffer's size, which nearly all are.
  DWORD bufferSize = count < kCopyBuffer ? static_cast<DWORD>(count) : kCopyBuffer;
  std::unique_ptr<std::uint8_t[]> buffer(new std::uint8_t[bufferSize]);
  bool read = true;
  while (count > 0 && read) {
    DWORD chunk = count < bufferSize ? static_cast<DWORD>(count) : bufferSize;
    read = ReadAtOffset(AsHandle(file_), offset, buffer.get(), chunk);
    DWORD written = 0;
    if (read && (!WriteFile(target, buffer.get(), chunk, &written, nullptr) || written != chunk)) {
      ReportFatalSystemError();
    }
    offset += chunk;
    count -= chunk;
  }
  CloseHandle(target);
  return read;
}
