// FetchText on libcurl, behaving as the WinINet build does: the session opens when a
// response arrives, whatever its status, and the body is read up to the buffer's end.
#include <cstring>

#include "app/state.h"
#include "online/curl_session_posix.h"
#include "online/fetch_text.h"

namespace {
struct Sink {
  char* buffer;
  std::uint32_t capacity;
  std::uint32_t filled = 0;
};

std::size_t Collect(char* data, std::size_t size, std::size_t count, void* user) {
  auto* sink = static_cast<Sink*>(user);
  std::size_t bytes = size * count;
  std::size_t room = sink->capacity - sink->filled;
  std::size_t taken = bytes < room ? bytes : room;
  std::memcpy(sink->buffer + sink->filled, data, taken);
  sink->filled += static_cast<std::uint32_t>(taken);
  // Once the buffer is full the rest of the body is not wanted: a short count makes
  // curl stop the transfer, which FetchText then counts as a complete read.
  return sink->filled == sink->capacity && bytes > 0 ? 0 : bytes;
}
}  // namespace

FetchResult FetchText(const std::string& url, char* buffer, std::uint32_t capacity) {
  std::memset(buffer, 0, capacity);

  CurlSession session = OpenCurlSession(url);
  if (!session.easy) return FetchResult::NoConnection;
  CURL* curl = session.easy.get();
  Sink sink{buffer, capacity};
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, Collect);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, &sink);

  CURLcode code = curl_easy_perform(curl);
  bool complete = code == CURLE_OK || (code == CURLE_WRITE_ERROR && sink.filled == capacity);
  // WinINet reports the URL open once the response head has come; a failure after that
  // is a failed read, not a lost connection. As there, g_bytesRead is only set by a read.
  long status = 0;
  curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
  if (!complete && status == 0) return FetchResult::NoConnection;
  g_bytesRead = sink.filled;
  return FetchResult::Read;
}
