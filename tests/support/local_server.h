// An HTTPS server on loopback for the tests that talk to the vendor's server.
//
// Linux: Start() runs `qz serve --root Root() --port 0 --cert ... --key ... --faults`
// (QZ_TOOL_PATH) as a child with a certificate of its own, and Stop() ends it.
//
// Windows (the tests run under Wine, which cannot start the Linux qz): a native qz serve
// is started beforehand and named in the environment; each LocalServer takes a folder of
// its own inside the served folder and a base URL that ends in that folder's name:
//   QZ_TEST_SERVER_ROOT           the served folder as the test sees it, e.g. Z:\tmp\qz-tree
//   QZ_TEST_SERVER_URL            e.g. https://127.0.0.1:8443, serving that folder
//   QZ_CA_BUNDLE                  that server's certificate, e.g. Z:\tmp\qz-tls\cert.pem
//   QZ_TEST_UNTRUSTED_SERVER_URL  a second qz serve of the same folder with another
//                                 certificate that the tests are never told about
// For example, from the repository root after building native and win64 (one command a line):
//   mkdir -p /tmp/qz-tree
//   build/native/tools/qz serve --root /tmp/qz-tree --port 8443 --cert /tmp/qz-tls/cert.pem --key /tmp/qz-tls/key.pem --faults &
//   build/native/tools/qz serve --root /tmp/qz-tree --port 8444 --cert /tmp/qz-tls-other/cert.pem --key /tmp/qz-tls-other/key.pem &
//   (wait until each has printed its "qz serve: https://..." line; stop both with SIGTERM afterwards)
//   export QZ_TEST_SERVER_ROOT='Z:\tmp\qz-tree' QZ_TEST_SERVER_URL=https://127.0.0.1:8443
//   export QZ_CA_BUNDLE='Z:\tmp\qz-tls\cert.pem' QZ_TEST_UNTRUSTED_SERVER_URL=https://127.0.0.1:8444
//   WINEPREFIX=$PWD/build/wine WINEDEBUG=-all /usr/lib/wine/wine64 build/win64/tests/qz_tests.exe
// (--faults on the trusted one lets SetFault work; the fault tests skip without it.)
// Wine passes the Unix environment on to the program. The certificate files are reused
// when they exist. Start() adds QZ_CA_BUNDLE to the prefix's trusted roots (the program
// never does; see trust_ca.h), so the prefix should be a scratch one. Without these variables
// Unavailable() says so and the server tests skip.
#pragma once

#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "support/test_env.h"

class LocalServer {
 public:
  // Trusted: Start() points QZ_SERVER and QZ_CA_BUNDLE at this server.
  // Untrusted: a server with a certificate nobody trusts; the environment is left alone.
  enum class Trust { Trusted, Untrusted };

  explicit LocalServer(Trust trust = Trust::Trusted);
  ~LocalServer() {  // stops, restores the environment, removes Root()
    Stop();
    std::error_code ignored;
    if (!ownedDir_.empty()) std::filesystem::remove_all(ownedDir_, ignored);
  }
  LocalServer(const LocalServer&) = delete;
  LocalServer& operator=(const LocalServer&) = delete;

  // Why no such server can be had in this run; empty when one can. Tests GTEST_SKIP with it.
  static std::string Unavailable(Trust trust = Trust::Trusted);
  // An https address on 127.0.0.1 at which nothing listens: port 1 (tcpmux) is unused on
  // any machine that runs these tests.
  static std::string ClosedUrl() { return "https://127.0.0.1:1"; }

  // The folder served at BaseUrl(), with '/' separators; it exists from construction on,
  // so the server tree may be written before or after Start().
  const std::string& Root() const { return root_; }
  // Known once started: e.g. "https://127.0.0.1:40123" (Linux) or
  // "https://127.0.0.1:8443/t1234-5678-0" (Windows); no trailing '/'.
  const std::string& BaseUrl() const { return baseUrl_; }

  bool Start();  // false with Error() when the server cannot be had

  // The server misbehaves on path (from Root(), e.g. "/files/Setup/File_List_Xq_730K5_QZ.txt")
  // as fault says, e.g. "reset 1000" (see tools/qz/serve_faults.h); it replaces every
  // earlier fault. Also starts the log of the requests below Root().
  void SetFault(const std::string& path, const std::string& fault) const;
  // The request targets logged so far, each followed by its fault or "-"; streamed
  // faults add "<target> sent <bytes>" once they end.
  std::vector<std::string> RequestLog() const;
  // Ends the server on Linux; on Windows the shared server keeps running, so a test that
  // needs an unreachable server uses ClosedUrl() instead.
  void Stop();
  const std::string& Error() const { return error_; }

 private:
  Trust trust_;
  std::string root_;
  std::string ownedDir_;  // removed by the destructor
  std::string baseUrl_;
  std::string error_;
  // The qz serve child on Linux: its output, its process id.
  std::FILE* output_ = nullptr;
  long pid_ = 0;
  // QZ_SERVER and QZ_CA_BUNDLE as a started trusted server sets them; Stop() puts them back.
  std::optional<ScopedEnv> serverEnv_, caEnv_;
};
