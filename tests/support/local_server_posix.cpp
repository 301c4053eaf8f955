#include "support/local_server.h"

#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <random>

namespace fs = std::filesystem;

namespace {
// A line qz serve prints, read within a minute so that a broken server fails the test
// instead of hanging it. Byte by byte from the pipe: nothing is buffered past the line.
std::string ReadLine(std::FILE* out) {
  std::string line;
  char c = 0;
  pollfd wait{::fileno(out), POLLIN, 0};
  while (::poll(&wait, 1, 60000) > 0 && ::read(wait.fd, &c, 1) == 1 && c != '\n') line += c;
  return line;
}
}  // namespace

LocalServer::LocalServer(Trust trust) : trust_(trust) {
  static std::atomic<int> counter{0};
  fs::path dir = fs::temp_directory_path() / ("qz-server-" + std::to_string(std::random_device{}()) + "-" +
                                              std::to_string(counter.fetch_add(1)));
  fs::create_directories(dir / "tree");
  ownedDir_ = dir.generic_string();
  root_ = (dir / "tree").generic_string();
}

std::string LocalServer::Unavailable(Trust) {
  std::error_code ignored;
  return fs::exists(QZ_TOOL_PATH, ignored) ? "" : std::string("qz is not built at ") + QZ_TOOL_PATH;
}

bool LocalServer::Start() {
  if (output_ != nullptr) return true;
  error_ = Unavailable(trust_);
  if (!error_.empty()) return false;
  auto fail = [this](std::string why) {  // leaves no child behind
    Stop();
    error_ = std::move(why);
    return false;
  };

  std::string cert = ownedDir_ + "/tls/cert.pem";
  // The shell tells its process id, then becomes qz serve under that id.
  std::string command = "echo $$; exec '" + std::string(QZ_TOOL_PATH) + "' serve --root '" + root_ +
                        "' --port 0 --cert '" + cert + "' --key '" + ownedDir_ + "/tls/key.pem' --faults";
  output_ = ::popen(command.c_str(), "re");
  if (output_ == nullptr) return fail(std::string("cannot run ") + QZ_TOOL_PATH);
  pid_ = std::atol(ReadLine(output_).c_str());
  std::string line = ReadLine(output_);
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
  if (output_ != nullptr) {
    if (pid_ > 0) ::kill(static_cast<pid_t>(pid_), SIGTERM);
    ::pclose(output_);  // waits for it
    output_ = nullptr;
    pid_ = 0;
  }
  serverEnv_.reset();
  caEnv_.reset();
}
