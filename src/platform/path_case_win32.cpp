#include <windows.h>

#include "platform/path_case.h"

// Through UTF-16, as the file system compares names: the ANSI code page says which
// characters the bytes are, and the invariant locale's file-system casing (not a
// language's, so no Turkish dotted I) gives their upper case. The key is that text in
// UTF-8, which keeps '/' where it was.
std::string PathCaseKey(const std::string& path) {
  if (path.empty()) return path;
  int length = MultiByteToWideChar(CP_ACP, 0, path.data(), static_cast<int>(path.size()), nullptr, 0);
  if (length <= 0) return path;
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(CP_ACP, 0, path.data(), static_cast<int>(path.size()), wide.data(), length);
  std::wstring upper(wide.size(), L'\0');
  if (LCMapStringW(LOCALE_INVARIANT, LCMAP_UPPERCASE, wide.data(), length, upper.data(), length) != length) {
    return path;
  }
  int bytes = WideCharToMultiByte(CP_UTF8, 0, upper.data(), length, nullptr, 0, nullptr, nullptr);
  if (bytes <= 0) return path;
  std::string key(static_cast<std::size_t>(bytes), '\0');
  WideCharToMultiByte(CP_UTF8, 0, upper.data(), length, key.data(), bytes, nullptr, nullptr);
  return key;
}
