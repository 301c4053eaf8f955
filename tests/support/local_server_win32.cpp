// Under Wine the server runs outside the test process (see local_server.h): this side
// only claims a folder of the served tree and the matching URL.
#include "support/local_server.h"
#include "support/trust_ca.h"

#include <windows.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>

namespace fs = std::filesystem;

namespace {
std::string Variable(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

const char* UrlVariable(LocalServer::Trust trust) {
  return trust == LocalServer::Trust::Trusted ? "QZ_TEST_SERVER_URL" : "QZ_TEST_UNTRUSTED_SERVER_URL";
}

std::string TrimSlashes(std::string text) {
  while (!text.empty() && (text.back() == '/' || text.back() == '\\')) text.pop_back();
  return text;
}
}  // namespace

LocalServer::LocalServer(Trust trust) : trust_(trust) {
  std::string servedRoot = TrimSlashes(Variable("QZ_TEST_SERVER_ROOT"));
  if (servedRoot.empty()) return;
  // Tests that run one after another, or in several processes, must not see each
  // other's files: each takes a fresh folder of the shared tree.
  static std::atomic<int> counter{0};
  std::random_device seed;
  char name[64];
  // The time too: Wine reuses process ids, and URL monikers answer a URL seen in an
  // earlier run from the prefix's cache.
  std::snprintf(name, sizeof name, "t%lu-%u-%llu-%d", GetCurrentProcessId(), seed() % 100000u,
                static_cast<unsigned long long>(GetTickCount64()), counter.fetch_add(1));
  fs::path dir = fs::path(servedRoot) / name;
  std::error_code error;
  fs::create_directories(dir, error);
  if (error) return;
  ownedDir_ = dir.generic_string();
  root_ = ownedDir_;
  baseUrl_ = TrimSlashes(Variable(UrlVariable(trust))) + "/" + std::string(name);
}

std::string LocalServer::Unavailable(Trust trust) {
  std::string missing;
  for (const char* name : {"QZ_TEST_SERVER_ROOT", UrlVariable(trust), "QZ_CA_BUNDLE"}) {
    if (Variable(name).empty()) missing += missing.empty() ? name : std::string(", ") + name;
  }
  if (missing.empty()) return "";
  return "no test server: start qz serve natively and set " + missing + " (see tests/support/local_server.h)";
}

bool LocalServer::Start() {
  error_ = Unavailable(trust_);
  if (error_.empty() && ownedDir_.empty()) error_ = "cannot create a folder in QZ_TEST_SERVER_ROOT";
  if (!error_.empty()) return false;
  caBundle_ = Variable("QZ_CA_BUNDLE");
  if (!TrustTestCa(caBundle_)) {
    error_ = "cannot add QZ_CA_BUNDLE to the prefix's trusted roots";
    return false;
  }
  // QZ_CA_BUNDLE already names the one trusted server's certificate.
  if (trust_ == Trust::Trusted) serverEnv_.emplace("QZ_SERVER", baseUrl_);
  return true;
}

void LocalServer::Stop() { serverEnv_.reset(); }
