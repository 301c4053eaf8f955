// qz serve: the vendor's static HTTPS server in miniature, for tests and demos. It serves
// the files of one folder to GET and HEAD on loopback only, one request per connection.
// Written on OpenSSL directly: Debian's cpp-httplib is a shared library the qz target does
// not link, and a static file server needs very little of HTTP.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <thread>

#include <openssl/err.h>
#include <openssl/ssl.h>

#include "commands.h"
#include "serve_cert.h"

namespace fs = std::filesystem;

namespace {
constexpr std::size_t kMaxHeadBytes = 16 * 1024;
constexpr std::size_t kChunkBytes = 64 * 1024;

// Signals only write a byte here; the accept loop polls the other end.
int g_wakePipe[2] = {-1, -1};

extern "C" void WakeOnSignal(int) {
  int saved = errno;
  char byte = 0;
  if (::write(g_wakePipe[1], &byte, 1) < 0) {
  }
  errno = saved;
}

// The open client sockets, so that shutdown can wake their threads and wait for them:
// the threads use the SSL context, which must outlive them.
class Connections {
 public:
  void Add(int fd) {
    std::lock_guard<std::mutex> hold(lock_);
    fds_.insert(fd);
  }
  // Called before the thread closes fd, so that ShutdownAll never touches a reused number.
  void Remove(int fd) {
    std::lock_guard<std::mutex> hold(lock_);
    fds_.erase(fd);
    if (fds_.empty()) idle_.notify_all();
  }
  void ShutdownAllAndWait() {
    std::unique_lock<std::mutex> hold(lock_);
    for (int fd : fds_) ::shutdown(fd, SHUT_RDWR);
    idle_.wait(hold, [this] { return fds_.empty(); });
  }

 private:
  std::mutex lock_;
  std::condition_variable idle_;
  std::set<int> fds_;
};

bool WriteAll(SSL* ssl, const char* data, std::size_t size) {
  while (size > 0) {
    int chunk = static_cast<int>(std::min(size, kChunkBytes));
    int written = SSL_write(ssl, data, chunk);
    if (written <= 0) return false;
    data += written;
    size -= static_cast<std::size_t>(written);
  }
  return true;
}

bool SendHead(SSL* ssl, int status, const char* reason, const char* type, std::uint64_t length,
              const char* extra = "") {
  char head[512];
  int size = std::snprintf(head, sizeof head,
                           "HTTP/1.1 %d %s\r\nServer: qz-serve\r\nContent-Type: %s\r\n"
                           "Content-Length: %llu\r\n%sConnection: close\r\n\r\n",
                           status, reason, type, static_cast<unsigned long long>(length), extra);
  return size > 0 && WriteAll(ssl, head, static_cast<std::size_t>(size));
}

void SendError(SSL* ssl, bool withBody, int status, const char* reason, const char* extra = "") {
  // A small HTML page, as real servers send: clients that ignore the status read it as data.
  char page[256];
  int size = std::snprintf(page, sizeof page,
                           "<!DOCTYPE html>\n<html><head><title>%d %s</title></head>\n"
                           "<body><h1>%s</h1></body></html>\n",
                           status, reason, reason);
  std::size_t length = static_cast<std::size_t>(size);
  if (SendHead(ssl, status, reason, "text/html; charset=utf-8", length, extra) && withBody) {
    WriteAll(ssl, page, length);
  }
}

const char* ContentType(const fs::path& path) {
  std::string extension = path.extension().string();
  if (extension == ".txt") return "text/plain";
  if (extension == ".zip") return "application/zip";
  if (extension == ".html" || extension == ".htm") return "text/html; charset=utf-8";
  return "application/octet-stream";
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The file a request target names below root, or nothing when it names none: the query
// string (the installer's "?rnd=...") plays no part, and ".." may not climb out.
std::optional<fs::path> FileForTarget(std::string_view target, const fs::path& root) {
  if (target.rfind("http://", 0) == 0 || target.rfind("https://", 0) == 0) {
    std::size_t pathStart = target.find('/', target.find("//") + 2);
    target = pathStart == std::string_view::npos ? "/" : target.substr(pathStart);
  }
  target = target.substr(0, target.find_first_of("?#"));
  if (target.empty() || target.front() != '/') return std::nullopt;

  std::string decoded;
  for (std::size_t i = 0; i < target.size(); ++i) {
    if (target[i] != '%') {
      decoded += target[i];
      continue;
    }
    int high = i + 2 < target.size() ? HexValue(target[i + 1]) : -1;
    int low = i + 2 < target.size() ? HexValue(target[i + 2]) : -1;
    if (high < 0 || low < 0) return std::nullopt;
    decoded += static_cast<char>(high * 16 + low);
    i += 2;
  }

  fs::path path = root;
  std::size_t start = 1;
  while (start <= decoded.size()) {
    std::size_t end = std::min(decoded.find('/', start), decoded.size());
    std::string segment = decoded.substr(start, end - start);
    if (segment == ".." || segment.find('\0') != std::string::npos) return std::nullopt;
    if (!segment.empty() && segment != ".") path /= segment;
    start = end + 1;
  }
  return path;
}

void SendFile(SSL* ssl, bool withBody, const fs::path& path) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  struct stat info {};
  if (fd < 0 || ::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    if (fd >= 0) ::close(fd);
    SendError(ssl, withBody, 404, "Not Found");
    return;
  }
  auto size = static_cast<std::uint64_t>(info.st_size);
  if (SendHead(ssl, 200, "OK", ContentType(path), size) && withBody) {
    // Streamed in chunks: packages run to hundreds of megabytes.
    static thread_local char chunk[kChunkBytes];
    std::uint64_t offset = 0;
    while (offset < size) {
      ssize_t got = ::pread(fd, chunk, sizeof chunk, static_cast<off_t>(offset));
      if (got <= 0 || !WriteAll(ssl, chunk, static_cast<std::size_t>(got))) break;
      offset += static_cast<std::uint64_t>(got);
    }
  }
  ::close(fd);
}

// Reads the request head (its body, if any, is never needed) and answers it.
void Respond(SSL* ssl, const fs::path& root) {
  std::string head;
  char chunk[4096];
  while (head.find("\r\n\r\n") == std::string::npos) {
    if (head.size() > kMaxHeadBytes) return SendError(ssl, true, 431, "Request Header Fields Too Large");
    int got = SSL_read(ssl, chunk, sizeof chunk);
    if (got <= 0) return;
    head.append(chunk, static_cast<std::size_t>(got));
  }
  std::string_view line(head.data(), head.find("\r\n"));
  std::size_t firstSpace = line.find(' ');
  std::size_t lastSpace = line.rfind(' ');
  if (firstSpace == std::string_view::npos || lastSpace == firstSpace ||
      line.substr(lastSpace + 1).rfind("HTTP/1.", 0) != 0) {
    return SendError(ssl, true, 400, "Bad Request");
  }
  std::string_view method = line.substr(0, firstSpace);
  std::string_view target = line.substr(firstSpace + 1, lastSpace - firstSpace - 1);
  bool isHead = method == "HEAD";
  if (method != "GET" && !isHead) {
    return SendError(ssl, true, 405, "Method Not Allowed", "Allow: GET, HEAD\r\n");
  }
  std::optional<fs::path> path = FileForTarget(target, root);
  if (!path) return SendError(ssl, !isHead, 400, "Bad Request");
  SendFile(ssl, !isHead, *path);
}

void ServeConnection(SSL_CTX* context, int fd, const fs::path& root, Connections& connections) {
  // A silent client may not hold its thread for ever.
  timeval timeout{30, 0};
  ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
  ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);
  SSL* ssl = SSL_new(context);
  if (ssl != nullptr && SSL_set_fd(ssl, fd) == 1 && SSL_accept(ssl) == 1) {
    Respond(ssl, root);
    SSL_shutdown(ssl);
  }
  SSL_free(ssl);
  ERR_clear_error();  // a client that rejects the certificate leaves its reason here
  connections.Remove(fd);
  ::close(fd);
}

SSL_CTX* MakeContext(const ServerIdentity& identity) {
  SSL_CTX* context = SSL_CTX_new(TLS_server_method());
  if (context == nullptr) return nullptr;
  if (SSL_CTX_set_min_proto_version(context, TLS1_2_VERSION) != 1 ||
      SSL_CTX_use_certificate(context, identity.cert.get()) != 1 ||
      SSL_CTX_use_PrivateKey(context, identity.key.get()) != 1 ||
      SSL_CTX_check_private_key(context) != 1) {
    SSL_CTX_free(context);
    return nullptr;
  }
  return context;
}

// A listening socket on host:port (port 0: any free one); -1 with a message on failure.
int Listen(const std::string& host, std::uint16_t port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  std::string numeric = host == "localhost" ? "127.0.0.1" : host;
  // Loopback only: the server hands out whatever lies in the folder to anyone who asks.
  if (::inet_pton(AF_INET, numeric.c_str(), &address.sin_addr) != 1 ||
      (ntohl(address.sin_addr.s_addr) >> 24) != 127) {
    std::fprintf(stderr, "qz serve: --host must be a loopback address such as 127.0.0.1\n");
    return -1;
  }
  int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  int yes = 1;
  if (fd < 0 || ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes) != 0 ||
      ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
      ::listen(fd, 64) != 0) {
    std::fprintf(stderr, "qz serve: cannot listen on %s:%u: %s\n", numeric.c_str(), port,
                 std::strerror(errno));
    if (fd >= 0) ::close(fd);
    return -1;
  }
  return fd;
}

std::uint16_t BoundPort(int fd) {
  sockaddr_in address{};
  socklen_t size = sizeof address;
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size);
  return ntohs(address.sin_port);
}

void InstallSignalHandlers() {
  struct sigaction action {};
  action.sa_handler = WakeOnSignal;
  sigemptyset(&action.sa_mask);
  ::sigaction(SIGINT, &action, nullptr);
  ::sigaction(SIGTERM, &action, nullptr);
  // A client that stops reading mid-body (the installer does, at its buffer's end) must
  // only end that connection.
  std::signal(SIGPIPE, SIG_IGN);
}
}  // namespace

int RunServe(const Args& args) {
  std::string rootText = args.Require("root");
  std::string portText = args.Require("port");
  if (rootText.empty() || portText.empty()) return 2;
  std::error_code error;
  fs::path root = fs::canonical(rootText, error);
  if (error || !fs::is_directory(root)) {
    std::fprintf(stderr, "qz serve: %s is not a folder\n", rootText.c_str());
    return 2;
  }
  char* end = nullptr;
  unsigned long port = std::strtoul(portText.c_str(), &end, 10);
  if (*end != '\0' || port > 65535) {
    std::fprintf(stderr, "qz serve: --port must be 0..65535\n");
    return 2;
  }

  std::string why;
  ServerIdentity identity = LoadOrCreateIdentity(args.GetOr("cert", ""), args.GetOr("key", ""), why);
  if (!identity.cert) {
    std::fprintf(stderr, "qz serve: %s\n", why.c_str());
    return 1;
  }
  SSL_CTX* context = MakeContext(identity);
  if (context == nullptr) {
    std::fprintf(stderr, "qz serve: the certificate and key cannot be used together\n");
    return 1;
  }
  int listener = Listen(args.GetOr("host", "127.0.0.1"), static_cast<std::uint16_t>(port));
  if (listener < 0 || ::pipe2(g_wakePipe, O_CLOEXEC) != 0) {
    SSL_CTX_free(context);
    return 1;
  }
  InstallSignalHandlers();

  std::printf("qz serve: https://127.0.0.1:%u serving %s\n", BoundPort(listener), root.c_str());
  std::fflush(stdout);

  Connections connections;
  pollfd waits[2] = {{listener, POLLIN, 0}, {g_wakePipe[0], POLLIN, 0}};
  for (;;) {
    if (::poll(waits, 2, -1) < 0) {
      if (errno == EINTR) continue;
      break;
    }
    if (waits[1].revents != 0) break;
    if ((waits[0].revents & POLLIN) == 0) continue;
    int client = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
    if (client < 0) continue;
    connections.Add(client);
    std::thread(ServeConnection, context, client, root, std::ref(connections)).detach();
  }
  ::close(listener);
  connections.ShutdownAllAndWait();
  SSL_CTX_free(context);
  return 0;
}
