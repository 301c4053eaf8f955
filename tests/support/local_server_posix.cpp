#include "support/local_server.h"

#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
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

std::string LocalServer::Unavailable(Trust) {
  std::error_code ignored;
  return fs::exists(QZ_TOOL_PATH, ignored) ? "" : std::string("qz is not built at ") + QZ_TOOL_PATH;
}

bool LocalServer::Start() {
  if (pid_ != 0) return true;
  error_ = Unavailable(trust_);
  if (!error_.empty()) return false;
  auto fail = [this](std::string why) {  // leaves no child behind
    Stop();
    error_ = std::move(why);
    return false;
  };

  std::string cert = ownedDir_ + "/tls/cert.pem", key = ownedDir_ + "/tls/key.pem";
  const char* argv[] = {QZ_TOOL_PATH, "serve", "--root", root_.c_str(), "--port", "0",
                        "--cert", cert.c_str(), "--key", key.c_str(), "--faults", nullptr};
  int out[2];
  if (::pipe(out) != 0) return fail("no pipe for qz serve");
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
  posix_spawn_file_actions_addclose(&actions, out[0]);
  posix_spawn_file_actions_addclose(&actions, out[1]);
  pid_t pid = 0;
  if (::posix_spawn(&pid, QZ_TOOL_PATH, &actions, nullptr, const_cast<char**>(argv), environ) == 0) pid_ = pid;
  posix_spawn_file_actions_destroy(&actions);
  ::close(out[1]);
  std::string line = pid_ != 0 ? ReadFirstLine(out[0]) : "";
  ::close(out[0]);
  if (pid_ == 0) return fail(std::string("cannot run ") + QZ_TOOL_PATH);
  std::size_t start = line.find("https://");
  if (start == std::string::npos) return fail("qz serve did not start: '" + line + "'");
  baseUrl_ = line.substr(start, line.find(' ', start) - start);
  if (trust_ == Trust::Trusted) {
    serverEnv_.emplace("QZ_SERVER", baseUrl_);
    caEnv_.emplace("QZ_CA_BUNDLE", cert);
  }
  return true;
}

void LocalServer::Stop() {
  if (pid_ != 0) {
    ::kill(static_cast<pid_t>(pid_), SIGTERM);
    ::waitpid(static_cast<pid_t>(pid_), nullptr, 0);
    pid_ = 0;
  }
  serverEnv_.reset();
  caEnv_.reset();
}
