// Under Wine the server runs outside the test process (see local_server.h): this side
// only claims a folder of the served tree and the matching URL.
#include "support/local_server.h"
#include "support/trust_ca.h"

#include <windows.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace fs = std::filesystem;

namespace {
// A variable's value without the trailing separators a folder or a URL may be given with.
std::string Variable(const char* name) {
  std::string value = std::getenv(name) != nullptr ? std::getenv(name) : "";
  while (!value.empty() && (value.back() == '/' || value.back() == '\\')) value.pop_back();
  return value;
}

const char* UrlVariable(LocalServer::Trust trust) {
  return trust == LocalServer::Trust::Trusted ? "QZ_TEST_SERVER_URL" : "QZ_TEST_UNTRUSTED_SERVER_URL";
}
}  // namespace

LocalServer::LocalServer(Trust trust) : trust_(trust) {
  std::string servedRoot = Variable("QZ_TEST_SERVER_ROOT");
  if (servedRoot.empty()) return;
  // Tests that run one after another, or in several processes, must not see each
  // other's files: each takes a fresh folder of the shared tree.
  static std::atomic<int> counter{0};
  char name[64];
  // The time too: Wine reuses process ids, and URL monikers answer a URL seen in an
  // earlier run from the prefix's cache.
  std::snprintf(name, sizeof name, "t%lu-%llu-%d", GetCurrentProcessId(),
                static_cast<unsigned long long>(GetTickCount64()), counter.fetch_add(1));
  fs::path dir = fs::path(servedRoot) / name;
  std::error_code error;
  if (!fs::create_directories(dir, error)) return;  // a fresh name: created now or not at all
  ownedDir_ = dir.generic_string();
  root_ = ownedDir_;
  baseUrl_ = Variable(UrlVariable(trust)) + "/" + std::string(name);
}

std::string LocalServer::Unavailable(Trust trust) {
  for (const char* name : {"QZ_TEST_SERVER_ROOT", UrlVariable(trust), "QZ_CA_BUNDLE"}) {
    if (!Variable(name).empty()) continue;
    return std::string("no test server: start qz serve natively and set ") + name + " (see tests/support/local_server.h)";
  }
  return "";
}

bool LocalServer::Start() {
  error_ = Unavailable(trust_);
  if (error_.empty() && ownedDir_.empty()) error_ = "cannot create a folder in QZ_TEST_SERVER_ROOT";
  if (error_.empty() && !TrustTestCa(Variable("QZ_CA_BUNDLE"))) error_ = "cannot trust QZ_CA_BUNDLE";
  if (!error_.empty()) return false;
  // QZ_CA_BUNDLE already names the one trusted server's certificate.
  if (trust_ == Trust::Trusted) serverEnv_.emplace("QZ_SERVER", baseUrl_);
  return true;
}

void LocalServer::Stop() { serverEnv_.reset(); }
