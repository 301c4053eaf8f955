#include "support/local_server.h"
#include "support/test_env.h"

#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <random>

extern char** environ;

namespace fs = std::filesystem;

namespace {
// The first line qz serve prints, read within a minute so that a broken server fails the
// test instead of hanging it.
std::string ReadFirstLine(int fd) {
  std::string line;
  char c = 0;
  pollfd wait{fd, POLLIN, 0};
  while (::poll(&wait, 1, 60000) > 0 && ::read(fd, &c, 1) == 1 && c != '\n') line += c;
  return line;
}
}  // namespace

LocalServer::LocalServer(Trust trust) : trust_(trust) {
  static std::atomic<int> counter{0};
  std::random_device seed;
  fs::path dir = fs::temp_directory_path() /
                 ("qz-server-" + std::to_string(seed()) + "-" + std::to_string(counter.fetch_add(1)));
  fs::create_directories(dir / "tree");
  ownedDir_ = dir.generic_string();
  root_ = (dir / "tree").generic_string();
}

LocalServer::~LocalServer() {
  Stop();
  std::error_code ignored;
  fs::remove_all(ownedDir_, ignored);
}

std::string LocalServer::Unavailable(Trust) {
  std::error_code ignored;
  return fs::exists(QZ_TOOL_PATH, ignored) ? "" : std::string("qz is not built at ") + QZ_TOOL_PATH;
}

std::string LocalServer::ClosedUrl() {
  // Port 1 (tcpmux) is unused on any machine that runs these tests.
  return "https://127.0.0.1:1";
}

bool LocalServer::Start() {
  if (pid_ != 0) return true;
  error_ = Unavailable(trust_);
  if (!error_.empty()) return false;

  caBundle_ = ownedDir_ + "/tls/cert.pem";
  std::string key = ownedDir_ + "/tls/key.pem";
  const char* argv[] = {QZ_TOOL_PATH, "serve", "--root", root_.c_str(), "--port", "0",
                        "--cert", caBundle_.c_str(), "--key", key.c_str(), "--faults", nullptr};
  int out[2];
  if (::pipe(out) != 0) {
    error_ = "no pipe for qz serve";
    return false;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
  posix_spawn_file_actions_addclose(&actions, out[0]);
  posix_spawn_file_actions_addclose(&actions, out[1]);
  pid_t pid = 0;
  int spawned = ::posix_spawn(&pid, QZ_TOOL_PATH, &actions, nullptr, const_cast<char**>(argv), environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(out[1]);
  if (spawned != 0) {
    ::close(out[0]);
    error_ = std::string("cannot run ") + QZ_TOOL_PATH;
    return false;
  }
  pid_ = pid;

  std::string line = ReadFirstLine(out[0]);
  ::close(out[0]);
  std::size_t start = line.find("https://");
  if (start == std::string::npos) {
    error_ = "qz serve did not start: '" + line + "'";
    Stop();
    return false;
  }
  baseUrl_ = line.substr(start, line.find(' ', start) - start);
  if (trust_ == Trust::Trusted) PointEnvironmentHere();
  return true;
}

void LocalServer::Stop() {
  if (pid_ != 0) {
    ::kill(static_cast<pid_t>(pid_), SIGTERM);
    int status = 0;
    ::waitpid(static_cast<pid_t>(pid_), &status, 0);
    pid_ = 0;
  }
  RestoreEnvironment();
}

void LocalServer::PointEnvironmentHere() {
  const char* server = std::getenv("QZ_SERVER");
  const char* ca = std::getenv("QZ_CA_BUNDLE");
  hadServer_ = server != nullptr;
  hadCa_ = ca != nullptr;
  oldServer_ = hadServer_ ? server : "";
  oldCa_ = hadCa_ ? ca : "";
  SetEnvironment("QZ_SERVER", true, baseUrl_);
  SetEnvironment("QZ_CA_BUNDLE", true, caBundle_);
  envChanged_ = true;
}

void LocalServer::RestoreEnvironment() {
  if (!envChanged_) return;
  SetEnvironment("QZ_SERVER", hadServer_, oldServer_);
  SetEnvironment("QZ_CA_BUNDLE", hadCa_, oldCa_);
  envChanged_ = false;
}
