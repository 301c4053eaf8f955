// FetchText on libcurl, behaving as the WinINet build does: the session opens when a
// response arrives, whatever its status, and the body is read up to the buffer's end.
#include <curl/curl.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>

#include "app/state.h"
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

struct SlistFree {
  void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
struct EasyFree {
  void operator()(CURL* easy) const { curl_easy_cleanup(easy); }
};
}  // namespace

FetchResult FetchText(const std::string& url, char* buffer, std::uint32_t capacity) {
  std::memset(buffer, 0, capacity);

  static std::once_flag globalInit;
  std::call_once(globalInit, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
  std::unique_ptr<CURL, EasyFree> easy(curl_easy_init());
  if (!easy) return FetchResult::NoConnection;
  CURL* curl = easy.get();

  // Proxies between the installer and the vendor must not answer from their caches.
  std::unique_ptr<curl_slist, SlistFree> headers(curl_slist_append(nullptr, "Cache-Control: no-cache"));
  if (headers) headers.reset(curl_slist_append(headers.release(), "Pragma: no-cache"));

  Sink sink{buffer, capacity};
  bool secure = url.rfind("https:", 0) == 0;
  curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
  curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
  // Redirects are followed as WinINet does, but never from HTTPS down to HTTP.
  curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(curl, CURLOPT_MAXREDIRS, 10L);
  curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, secure ? "https" : "http,https");
  curl_easy_setopt(curl, CURLOPT_USERAGENT, kAgentName);
  curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers.get());
  curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, 15L);
  // A stalled body ends the read rather than hanging the wizard.
  curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
  curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, 60L);
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, Collect);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, &sink);
  // Certificates are always checked; QZ_CA_BUNDLE adds a test server's own CA. Debian's
  // libcurl keeps its CA folder alongside, so the public roots stay trusted too.
  curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 1L);
  curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 2L);
  const char* extraCa = std::getenv("QZ_CA_BUNDLE");
  if (extraCa != nullptr && *extraCa != '\0') curl_easy_setopt(curl, CURLOPT_CAINFO, extraCa);

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
