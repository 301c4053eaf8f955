#include <windows.h>

#include <vector>

#include "platform/version_resource.h"

bool ReadVersionResource(std::array<std::uint32_t, 4>& parts) {
  wchar_t path[256] = {};
  if (GetModuleFileNameW(nullptr, path, 256) == 0) return false;
  DWORD size = GetFileVersionInfoSizeW(path, nullptr);
  if (size == 0) return false;
  std::vector<unsigned char> block(size);
  if (!GetFileVersionInfoW(path, 0, size, block.data())) return false;
  VS_FIXEDFILEINFO* info = nullptr;
  UINT length = 0;
  if (!VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&info), &length) || info == nullptr) {
    return false;
  }
  parts = {HIWORD(info->dwFileVersionMS), LOWORD(info->dwFileVersionMS), HIWORD(info->dwFileVersionLS),
           LOWORD(info->dwFileVersionLS)};
  return true;
}
