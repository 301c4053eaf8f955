#include "online/curl_session_posix.h"

#include <cstdlib>
#include <mutex>

#include "online/fetch_text.h"
#include "online/transfer_pace.h"

CurlSession OpenCurlSession(const std::string& url) {
  static std::once_flag globalInit;
  std::call_once(globalInit, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
  CurlSession session;
  session.easy.reset(curl_easy_init());
  if (!session.easy) return session;
  CURL* curl = session.easy.get();

  // Proxies between the installer and the vendor must not answer from their caches.
  session.headers.reset(curl_slist_append(nullptr, "Cache-Control: no-cache"));
  if (session.headers) session.headers.reset(curl_slist_append(session.headers.release(), "Pragma: no-cache"));

  bool secure = url.rfind("https:", 0) == 0;
  curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
  curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(curl, CURLOPT_MAXREDIRS, 10L);
  curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, secure ? "https" : "http,https");
  curl_easy_setopt(curl, CURLOPT_USERAGENT, kAgentName);
  curl_easy_setopt(curl, CURLOPT_HTTPHEADER, session.headers.get());
  curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, static_cast<long>(kConnectTimeoutSeconds));
  // Slower than the floor for a whole window, the wait for the reply included, is broken off.
  curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, static_cast<long>(kSpeedFloorBytesPerSecond));
  curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, static_cast<long>(StallWindowSeconds()));
  // Debian's libcurl keeps its CA folder alongside a CAINFO file, so the public roots
  // stay trusted when a test CA is added.
  curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 1L);
  curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 2L);
  const char* extraCa = std::getenv("QZ_CA_BUNDLE");
  if (extraCa != nullptr && *extraCa != '\0') curl_easy_setopt(curl, CURLOPT_CAINFO, extraCa);
  return session;
}
