// One libcurl transfer set up as the Windows build behaves: redirects followed (never from
// HTTPS down to HTTP), no caches, the installer's agent name, the connect time-out and the
// speed floor of transfer_pace.h, certificates always checked, with QZ_CA_BUNDLE adding a
// test server's own CA.
#pragma once

#include <curl/curl.h>

#include <memory>
#include <string>

struct CurlEasyFree {
  void operator()(CURL* easy) const { curl_easy_cleanup(easy); }
};
struct CurlListFree {
  void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};

struct CurlSession {
  std::unique_ptr<CURL, CurlEasyFree> easy;  // null when libcurl could not start one
  std::unique_ptr<curl_slist, CurlListFree> headers;
};

CurlSession OpenCurlSession(const std::string& url);
