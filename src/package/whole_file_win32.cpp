#include <windows.h>

#include "package/whole_file.h"
#include "platform/fatal.h"

namespace {
// Closes the handle when it leaves scope.
struct FileHandle {
  HANDLE handle;
  ~FileHandle() {
    if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
  }
};
}  // namespace

std::span<const std::uint8_t> ReadWholeFile(const char* path, ReadBuffer& buffer) {
  // Shared for deletion: a Cancel's clean-up must be able to delete it while it is read.
  FileHandle file{CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr)};
  LARGE_INTEGER size{};
  if (file.handle == INVALID_HANDLE_VALUE || !GetFileSizeEx(file.handle, &size) || size.QuadPart <= 0 ||
      size.QuadPart > 0xFFFFFFFFll) {
    return {};
  }
  auto length = static_cast<DWORD>(size.QuadPart);
  std::uint8_t* into = MakeRoom(buffer, length);
  if (into == nullptr) return {};
  for (DWORD done = 0; done < length;) {
    DWORD got = 0;
    if (!ReadFile(file.handle, into + done, length - done, &got, nullptr) || got == 0) return {};
    done += got;
  }
  return {into, length};
}

void OutputFile::Append(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return;
  if (file_ == -1) {
    HANDLE file = CreateFileA(path_, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) ReportFatalSystemError();
    file_ = reinterpret_cast<std::intptr_t>(file);
  }
  DWORD written = 0;
  auto count = static_cast<DWORD>(size);  // a decoder's piece is far below 4 GiB
  if (!WriteFile(reinterpret_cast<HANDLE>(file_), data, count, &written, nullptr) || written != count) {
    ReportFatalSystemError();
  }
}

void OutputFile::Close() {
  if (file_ != -1) CloseHandle(reinterpret_cast<HANDLE>(file_));
  file_ = -1;
}
