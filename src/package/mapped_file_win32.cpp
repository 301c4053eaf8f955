#include <windows.h>

#include "package/mapped_file.h"
#include "platform/fatal.h"

namespace {
HANDLE AsHandle(std::intptr_t value) { return reinterpret_cast<HANDLE>(value); }
std::intptr_t FromHandle(HANDLE handle) { return reinterpret_cast<std::intptr_t>(handle); }
}  // namespace

const std::uint8_t* OpenMappedForRead(MappedFile& record, const char* path, std::uint32_t& size) {
  size = 0;
  HANDLE file = CreateFileA(path, GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  record.file = FromHandle(file);
  if (file == INVALID_HANDLE_VALUE) return nullptr;
  size = GetFileSize(file, nullptr);
  if (size == INVALID_FILE_SIZE) return nullptr;
  // The mapping object is named after the file's path, as the engine always did.
  HANDLE mapping = CreateFileMappingA(file, nullptr, PAGE_READONLY, 0, size, path);
  record.mapping = FromHandle(mapping);
  if (mapping == nullptr) return nullptr;  // also every empty file
  record.view = static_cast<std::uint8_t*>(MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0));
  record.length = size;
  return record.view;
}

void WriteWholeFile(const char* path, const std::uint8_t* data, std::uint32_t size) {
  HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) ReportFatalSystemError();
  if (size == 0) ReportFatalSystemError(ERROR_FILE_INVALID);  // refused like an empty mapping
  DWORD written = 0;
  if (!WriteFile(file, data, size, &written, nullptr) || written != size) ReportFatalSystemError();
  CloseHandle(file);
}

void CloseMapped(MappedFile& record) {
  if (record.view != nullptr) UnmapViewOfFile(record.view);
  if (record.mapping != 0) CloseHandle(AsHandle(record.mapping));
  if (record.file != -1) CloseHandle(AsHandle(record.file));
  record = MappedFile{};
}
