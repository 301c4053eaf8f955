// FetchText on WinINet: open the session and the URL, one read, close both.
#include <windows.h>
#include <wininet.h>

#include <cstring>
#include <string>

#include "app/state.h"
#include "online/fetch_text.h"
#include "platform/wide_text.h"

namespace {
constexpr DWORD kOpenFlags =
    INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_NO_COOKIES | INTERNET_FLAG_NO_UI;
static_assert(kOpenFlags == 0x84080200);
}  // namespace

FetchResult FetchText(const std::string& url, char* buffer, std::uint32_t capacity) {
  std::memset(buffer, 0, capacity);

  std::wstring agent = WidenUtf8(kAgentName);
  HINTERNET session = InternetOpenW(agent.c_str(), INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
  if (session == nullptr) return FetchResult::NoConnection;
  std::wstring wideUrl = WidenUtf8(url);
  HINTERNET request = InternetOpenUrlW(session, wideUrl.c_str(), nullptr, 0, kOpenFlags, 0);
  if (request == nullptr) {
    InternetCloseHandle(session);
    return FetchResult::NoConnection;
  }

  // One call is enough: on a synchronous session InternetReadFile keeps receiving until
  // the buffer is full or the body ends, on Windows and in Wine alike (Wine's reader loops
  // over its TLS records; a 60000-byte body fills all 48000 bytes of the list buffer).
  DWORD read = 0;
  InternetReadFile(request, buffer, capacity, &read);
  g_bytesRead = read;

  InternetCloseHandle(request);
  InternetCloseHandle(session);
  return FetchResult::Read;
}
