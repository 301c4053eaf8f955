// FetchText on WinINet. The request is opened by hand rather than with InternetOpenUrlW:
// the time-outs must be on the request handle before it is sent (Wine ignores them on
// the session), and each redirect is looked at before it is followed, since WinINet in
// Wine would follow one from HTTPS to plain HTTP.
#include <windows.h>
#include <wininet.h>

#include <chrono>
#include <cstring>
#include <future>
#include <memory>
#include <string>
#include <thread>

#include "app/state.h"
#include "online/fetch_text.h"
#include "online/transfer_pace.h"
#include "platform/wide_text.h"

namespace {
constexpr DWORD kOpenFlags =
    INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_NO_COOKIES | INTERNET_FLAG_NO_UI;
static_assert(kOpenFlags == 0x84080200);
constexpr int kMaxRedirects = 10;
// How long a fetch cut at its capacity waits for its handles' close (see CloseAfterCut).
constexpr std::chrono::seconds kCutCloseWait{2};

struct HandleClose {
  void operator()(void* handle) const { InternetCloseHandle(handle); }
};
using Handle = std::unique_ptr<void, HandleClose>;

enum class Reply { Broken, NotTheResource, Body };

struct Request {
  Handle connection;
  Handle request;
};

void SetTimeouts(HINTERNET request) {
  DWORD connect = kConnectTimeoutSeconds * 1000u;
  DWORD silence = static_cast<DWORD>(StallWindowSeconds()) * 1000u;
  InternetSetOptionW(request, INTERNET_OPTION_CONNECT_TIMEOUT, &connect, sizeof connect);
  InternetSetOptionW(request, INTERNET_OPTION_SEND_TIMEOUT, &silence, sizeof silence);
  InternetSetOptionW(request, INTERNET_OPTION_RECEIVE_TIMEOUT, &silence, sizeof silence);
}

DWORD NumberHeader(HINTERNET request, DWORD query, bool& present) {
  DWORD value = 0, size = sizeof value;
  present = HttpQueryInfoW(request, query | HTTP_QUERY_FLAG_NUMBER, &value, &size, nullptr) != FALSE;
  return present ? value : 0;
}

// The reply's head as text: its Content-Length may not fit the 32-bit number query.
std::string RawHead(HINTERNET request) {
  wchar_t head[8192] = {};
  DWORD size = sizeof head - sizeof head[0];
  if (!HttpQueryInfoW(request, HTTP_QUERY_RAW_HEADERS_CRLF, head, &size, nullptr)) return {};
  return NarrowToUtf8(head);
}

std::wstring Location(HINTERNET request, const std::wstring& base) {
  wchar_t location[2048] = {};
  DWORD size = sizeof location;
  if (!HttpQueryInfoW(request, HTTP_QUERY_LOCATION, location, &size, nullptr)) return {};
  wchar_t combined[2048] = {};
  DWORD length = 2048;
  if (!InternetCombineUrlW(base.c_str(), location, combined, &length, ICU_NO_ENCODE)) return {};
  return combined;
}

// Sends the GET, following redirects that stay on HTTPS; the open request of a 2xx reply.
Reply Send(HINTERNET session, std::wstring url, Request& opened) {
  for (int hop = 0; hop <= kMaxRedirects; ++hop) {
    URL_COMPONENTSW parts{};
    parts.dwStructSize = sizeof parts;
    parts.dwHostNameLength = 1;
    parts.dwUrlPathLength = 1;
    parts.dwExtraInfoLength = 1;
    if (!InternetCrackUrlW(url.c_str(), 0, 0, &parts)) return hop == 0 ? Reply::Broken : Reply::NotTheResource;
    if (parts.nScheme != INTERNET_SCHEME_HTTPS) return Reply::NotTheResource;
    std::wstring host(parts.lpszHostName, parts.dwHostNameLength);
    std::wstring path = std::wstring(parts.lpszUrlPath, parts.dwUrlPathLength) +
                        std::wstring(parts.lpszExtraInfo, parts.dwExtraInfoLength);
    opened.request.reset();
    opened.connection.reset(
        InternetConnectW(session, host.c_str(), parts.nPort, nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0));
    if (!opened.connection) return Reply::Broken;
    opened.request.reset(HttpOpenRequestW(opened.connection.get(), L"GET", path.c_str(), nullptr, nullptr, nullptr,
                                          kOpenFlags | INTERNET_FLAG_SECURE | INTERNET_FLAG_NO_AUTO_REDIRECT, 0));
    if (!opened.request) return Reply::Broken;
    SetTimeouts(opened.request.get());
    if (!HttpSendRequestW(opened.request.get(), nullptr, 0, nullptr, 0)) return Reply::Broken;
    bool present = false;
    DWORD status = NumberHeader(opened.request.get(), HTTP_QUERY_STATUS_CODE, present);
    if (status == 0) return Reply::Broken;  // the connection closed before a reply
    if (status >= 200 && status <= 299) return Reply::Body;
    if (status < 300 || status > 399) return Reply::NotTheResource;
    url = Location(opened.request.get(), url);
    if (url.empty()) return Reply::NotTheResource;
  }
  return Reply::NotTheResource;
}

// The body into buffer; Broken when it breaks off, stalls or is shorter than its length.
Reply ReadBody(HINTERNET request, char* buffer, std::uint32_t capacity, Overflow overflow, DWORD& total,
               bool& cut) {
  std::optional<std::uint64_t> length = ContentLengthOf(RawHead(request));
  TransferPace pace;
  total = 0;
  for (;;) {
    DWORD room = capacity - total;
    if (room == 0 && overflow == Overflow::Cut) {
      cut = true;  // at the capacity the rest is not wanted, nor waited for, as on Linux
      return Reply::Body;
    }
    DWORD available = 0;
    // Returns with what has come, so that a drip is seen; total silence fails on the
    // receive time-out.
    if (!InternetQueryDataAvailable(request, &available, 0, 0)) return Reply::Broken;
    if (available == 0) break;
    if (room == 0) return Reply::NotTheResource;  // longer than the buffer: refused whole
    DWORD got = 0;
    if (!InternetReadFile(request, buffer + total, available < room ? available : room, &got)) return Reply::Broken;
    if (got == 0) break;
    total += got;
    pace.Received(total);
    if (pace.Stalled()) return Reply::Broken;
  }
  if (length && total != *length) return Reply::Broken;
  return Reply::Body;
}

// Wine's WinINet drains the rest of a body when its handle closes, so as to reuse the
// connection: against an endless one the close would never return. The caller has its
// bytes; the handles go on a thread of their own. Their close is still waited for a
// while: Wine's handles are not safe to close on one thread while the next fetch opens
// its own on another (its request then fails as a handle of the wrong type).
void CloseAfterCut(Request opened, Handle session) {
  auto closed = std::make_shared<std::promise<void>>();
  std::future<void> done = closed->get_future();
  std::thread([request = std::move(opened), keep = std::move(session), closed]() mutable {
    request.request.reset();
    request.connection.reset();
    keep.reset();
    closed->set_value();
  }).detach();
  done.wait_for(kCutCloseWait);
}
}  // namespace

FetchResult FetchText(const std::string& url, char* buffer, std::uint32_t capacity, Overflow overflow) {
  std::memset(buffer, 0, capacity);

  std::wstring agent = WidenUtf8(kAgentName);
  Handle session(InternetOpenW(agent.c_str(), INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
  if (!session) return FetchResult::NoConnection;
  Request opened;
  Reply reply = Send(session.get(), WidenUtf8(url), opened);
  DWORD read = 0;
  bool cut = false;
  if (reply == Reply::Body) reply = ReadBody(opened.request.get(), buffer, capacity, overflow, read, cut);
  if (cut) CloseAfterCut(std::move(opened), std::move(session));
  if (reply == Reply::Broken) {
    std::memset(buffer, 0, capacity);
    return FetchResult::NoConnection;
  }
  if (reply == Reply::NotTheResource) {
    std::memset(buffer, 0, capacity);
    read = 0;
  }
  g_bytesRead = read;
  return FetchResult::Read;
}
