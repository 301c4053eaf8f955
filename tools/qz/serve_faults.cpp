#include "serve_faults.h"

#include <arpa/inet.h>
#include <dirent.h>
#include <fcntl.h>
#include <linux/sockios.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <memory>
#include <mutex>
#include <sstream>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

namespace {
// Every fault ends by itself: a client that never gives up still frees its thread.
constexpr auto kFaultLimit = std::chrono::seconds(120);
constexpr std::uint64_t kEndlessLimit = 64u << 20;

std::optional<Fault> ParseFault(std::istringstream& words) {
  static const std::pair<const char*, FaultKind> kNames[] = {
      {"close", FaultKind::Close},   {"reset", FaultKind::Reset},
      {"short", FaultKind::Short},   {"status", FaultKind::Status},
      {"redirect-http", FaultKind::RedirectHttp}, {"redirect-https", FaultKind::RedirectHttps},
      {"drip", FaultKind::Drip},     {"silent", FaultKind::Silent},
      {"endless", FaultKind::Endless}, {"announce", FaultKind::Announce},
  };
  std::string name;
  words >> name;
  for (auto [text, kind] : kNames) {
    if (name != text) continue;
    Fault fault{kind, 0, name};
    if (words >> fault.n) fault.name += " " + std::to_string(fault.n);
    return fault;
  }
  return std::nullopt;
}

std::optional<Fault> FaultInFile(const fs::path& faults, const std::string& key) {
  std::ifstream in(faults);
  for (std::string line; std::getline(in, line);) {
    std::istringstream words(line);
    std::string path;
    if (words >> path && path == key) return ParseFault(words);
  }
  return std::nullopt;
}

// The connection's socket, found by its peer's address: httplib does not hand it to a
// handler, and only a few faults need it.
int PeerSocket(const httplib::Request& request) {
  DIR* dir = ::opendir("/proc/self/fd");
  if (dir == nullptr) return -1;
  int found = -1;
  while (dirent* entry = ::readdir(dir)) {
    int fd = std::atoi(entry->d_name);
    struct stat info {};
    sockaddr_in peer{};
    socklen_t size = sizeof peer;
    if (fd <= 2 || ::fstat(fd, &info) != 0 || !S_ISSOCK(info.st_mode)) continue;
    if (::getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &size) != 0 || peer.sin_family != AF_INET) continue;
    char address[INET_ADDRSTRLEN] = {};
    ::inet_ntop(AF_INET, &peer.sin_addr, address, sizeof address);
    if (ntohs(peer.sin_port) == request.remote_port && request.remote_addr == address) {
      found = fd;
      break;
    }
  }
  ::closedir(dir);
  return found;
}

bool PeerGone(int fd) {
  pollfd watch{fd, POLLRDHUP, 0};
  return fd < 0 || (::poll(&watch, 1, 0) > 0 && (watch.revents & (POLLRDHUP | POLLHUP | POLLERR)) != 0);
}

// Waits for up to span while the client stays; false once it has gone.
bool WaitWhilePeerStays(int fd, std::chrono::milliseconds span) {
  auto end = std::chrono::steady_clock::now() + span;
  while (std::chrono::steady_clock::now() < end) {
    if (PeerGone(fd)) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return true;
}

// A TCP reset, after what was written has left (a reset discards unsent data). Connecting
// to AF_UNSPEC drops the connection and keeps the descriptor, which httplib still owns.
void ResetConnection(int fd) {
  if (fd < 0) return;
  for (int i = 0; i < 100; ++i) {
    int queued = 0;
    if (::ioctl(fd, SIOCOUTQ, &queued) != 0 || queued == 0) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  sockaddr disconnect{};
  disconnect.sa_family = AF_UNSPEC;
  ::connect(fd, &disconnect, sizeof disconnect);
}

struct FileSource {
  explicit FileSource(const fs::path& path) : fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC)) {}
  ~FileSource() {
    if (fd >= 0) ::close(fd);
  }
  FileSource(const FileSource&) = delete;
  FileSource& operator=(const FileSource&) = delete;
  // Up to length bytes of the file from offset into chunk.
  std::size_t Read(std::uint64_t offset, std::size_t length) {
    ssize_t got = ::pread(fd, chunk.data(), std::min(length, chunk.size()), static_cast<off_t>(offset));
    return got > 0 ? static_cast<std::size_t>(got) : 0;
  }
  // A whole chunk of the file over and over, from where offset falls in it: an endless
  // body in large pieces, however small the file.
  std::size_t ReadRepeated(std::uint64_t offset, std::uint64_t size) {
    std::size_t filled = 0;
    while (size != 0 && filled < chunk.size()) {
      ssize_t got = ::pread(fd, chunk.data() + filled, std::min<std::uint64_t>(chunk.size() - filled, size - offset % size),
                            static_cast<off_t>(offset % size));
      if (got <= 0) break;
      filled += static_cast<std::size_t>(got);
      offset += static_cast<std::uint64_t>(got);
    }
    return filled;
  }
  int fd;
  std::vector<char> chunk = std::vector<char>(64 * 1024);
};

std::string Page(const std::string& title) {
  return "<!DOCTYPE html>\n<html><head><title>" + title + "</title></head>\n<body><h1>" + title + "</h1></body></html>\n";
}

void SetPage(httplib::Response& response, int status, const std::string& title) {
  response.status = status;
  auto text = std::make_shared<std::string>(Page(title));
  response.set_content_provider(text->size(), "text/html; charset=utf-8",
                                [text](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
                                  return sink.write(text->data() + offset, length);
                                });
}
}  // namespace

FaultLookup FindFault(const fs::path& root, const fs::path& file) {
  FaultLookup lookup;
  fs::path folder = root;
  std::vector<fs::path> parts;
  for (const fs::path& part : file.lexically_relative(root)) parts.push_back(part);
  for (std::size_t level = 0; level < parts.size(); folder /= parts[level], ++level) {
    fs::path faults = folder / kFaultsFileName;
    std::error_code ignored;
    if (!fs::is_regular_file(faults, ignored)) continue;
    if (!lookup.logFolder) lookup.logFolder = folder;
    std::string key;
    for (std::size_t k = level; k < parts.size(); ++k) key += "/" + parts[k].string();
    if ((lookup.fault = FaultInFile(faults, key))) break;
  }
  return lookup;
}

void LogRequest(const fs::path& folder, const std::string& line) {
  static std::mutex lock;
  std::lock_guard<std::mutex> hold(lock);
  std::ofstream(folder / kRequestLogName, std::ios::app) << line << "\n";
}

void ServeFault(const httplib::Request& request, httplib::Response& response, const fs::path& file,
                std::uint64_t size, const char* type, const Fault& fault, const RedirectPorts& ports,
                const std::optional<fs::path>& logFolder) {
  auto source = std::make_shared<FileSource>(file);
  int fd = PeerSocket(request);
  auto sent = std::make_shared<std::atomic<std::uint64_t>>(0);
  // The line that tells a test how far a streamed fault got before the client left.
  auto logSent = [logFolder, sent, target = request.target] {
    if (logFolder) LogRequest(*logFolder, target + " sent " + std::to_string(sent->load()));
  };
  switch (fault.kind) {
    case FaultKind::Close:
      if (fd >= 0) ::shutdown(fd, SHUT_RDWR);
      response.status = 500;
      return;
    case FaultKind::Silent:
      WaitWhilePeerStays(fd, kFaultLimit);
      if (fd >= 0) ::shutdown(fd, SHUT_RDWR);
      response.status = 500;
      return;
    case FaultKind::Status:
      SetPage(response, static_cast<int>(fault.n), "Error " + std::to_string(fault.n));
      return;
    case FaultKind::RedirectHttp:
    case FaultKind::RedirectHttps: {
      bool plain = fault.kind == FaultKind::RedirectHttp;
      std::string to = (plain ? "http://127.0.0.1:" : "https://127.0.0.1:") +
                       std::to_string(plain ? ports.http : ports.https) + request.target;
      response.set_header("Location", to);
      SetPage(response, 302, "Found");
      return;
    }
    case FaultKind::Reset:
    case FaultKind::Short:
    case FaultKind::Drip:
    case FaultKind::Announce: {
      bool whole = fault.kind == FaultKind::Drip || fault.kind == FaultKind::Announce;
      std::uint64_t stop = whole ? size : std::min(fault.n, size);
      auto started = std::chrono::steady_clock::now();
      response.status = 200;
      response.set_content_provider(
          fault.kind == FaultKind::Announce ? fault.n : size, type,
          [=](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
            if (offset >= stop) {
              if (fault.kind == FaultKind::Reset) ResetConnection(fd);
              // A client that wanted only the first bytes has them well before the close,
              // rather than racing it.
              if (fault.kind == FaultKind::Announce) WaitWhilePeerStays(fd, std::chrono::seconds(2));
              return false;
            }
            std::size_t want = std::min<std::uint64_t>(length, stop - offset);
            if (fault.kind == FaultKind::Drip) {
              if (std::chrono::steady_clock::now() - started > kFaultLimit) return false;
              if (fault.n == 0) {  // the head, then silence
                WaitWhilePeerStays(fd, kFaultLimit);
                return false;
              }
              want = std::min<std::uint64_t>(want, fault.n);
            }
            std::size_t got = source->Read(offset, want);
            if (got == 0 || !sink.write(source->chunk.data(), got)) return false;
            *sent += got;
            if (fault.kind == FaultKind::Drip) return WaitWhilePeerStays(fd, std::chrono::seconds(1));
            return true;
          },
          [logSent](bool) { logSent(); });
      return;
    }
    case FaultKind::Endless:
      response.status = 200;
      response.set_chunked_content_provider(
          "application/octet-stream",
          [=](std::size_t offset, httplib::DataSink& sink) {
            if (offset >= kEndlessLimit) return false;  // cut off, never a clean end
            std::size_t got = source->ReadRepeated(offset, size);
            if (got == 0 || !sink.write(source->chunk.data(), got)) return false;
            *sent += got;
            return true;
          },
          [logSent](bool) { logSent(); });
      return;
  }
}
