// FetchText on libcurl, with the outcomes the WinINet build gives.
#include <cstring>

#include "app/state.h"
#include "online/curl_session_posix.h"
#include "online/fetch_text.h"

namespace {
struct Sink {
  char* buffer;
  std::uint32_t capacity;
  Overflow overflow;
  std::uint32_t filled = 0;
  bool full = false;  // the buffer filled and the rest of the body is not wanted
  bool tooLong = false;
};

std::size_t Collect(char* data, std::size_t size, std::size_t count, void* user) {
  auto* sink = static_cast<Sink*>(user);
  std::size_t bytes = size * count;
  std::size_t room = sink->capacity - sink->filled;
  if (bytes > room && sink->overflow == Overflow::Refuse) {
    sink->tooLong = true;
    return 0;  // a short count ends the transfer
  }
  std::size_t taken = bytes < room ? bytes : room;
  std::memcpy(sink->buffer + sink->filled, data, taken);
  sink->filled += static_cast<std::uint32_t>(taken);
  // Cut: once the buffer is full the rest is not wanted. Refuse reads on, to see whether
  // anything follows.
  sink->full = sink->overflow == Overflow::Cut && sink->filled == sink->capacity && bytes > 0;
  return sink->full ? 0 : bytes;
}
}  // namespace

FetchResult FetchText(const std::string& url, char* buffer, std::uint32_t capacity, Overflow overflow) {
  std::memset(buffer, 0, capacity);

  CurlSession session = OpenCurlSession(url);
  if (!session.easy) return FetchResult::NoConnection;
  CURL* curl = session.easy.get();
  Sink sink{buffer, capacity, overflow};
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, Collect);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, &sink);

  CURLcode code = curl_easy_perform(curl);
  long status = 0;
  curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
  bool stoppedByUs = code == CURLE_WRITE_ERROR && (sink.full || sink.tooLong);
  // A redirect curl refused to follow (off HTTPS, or too many) leaves its 3xx status.
  bool refusedRedirect = code != CURLE_OK && status >= 300 && status <= 399;
  if (code != CURLE_OK && !stoppedByUs && !refusedRedirect) {
    std::memset(buffer, 0, capacity);  // nothing of a broken transfer is kept
    return FetchResult::NoConnection;
  }
  if (status < 200 || status > 299 || sink.tooLong) {
    std::memset(buffer, 0, capacity);
    sink.filled = 0;
  }
  g_bytesRead = sink.filled;
  return FetchResult::Read;
}
