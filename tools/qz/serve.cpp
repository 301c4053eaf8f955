// qz serve: the vendor's static HTTPS server in miniature, for tests and demos. It serves
// the files of one folder to GET and HEAD on loopback only, on cpp-httplib's SSLServer.
#include <arpa/inet.h>
#include <fcntl.h>
#include <pthread.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include <httplib.h>
#include <openssl/ssl.h>

#include "commands.h"
#include "serve_cert.h"
#include "serve_faults.h"

namespace fs = std::filesystem;

namespace {
constexpr std::size_t kChunkBytes = 64 * 1024;
// As long as the installer's own patience with a stalled body, within reason.
constexpr time_t kIoTimeoutSeconds = 30;

const char* Reason(int status) {
  switch (status) {
    case 400: return "Bad Request";
    case 404: return "Not Found";
    case 405: return "Method Not Allowed";
    case 413: return "Payload Too Large";
    case 414: return "URI Too Long";
    case 416: return "Range Not Satisfiable";
    case 500: return "Internal Server Error";
    default: return "Error";
  }
}

// A small HTML page, as real servers send: clients that ignore the status read it as data.
std::string ErrorPage(int status) {
  std::string code = std::to_string(status), reason = Reason(status);
  return "<!DOCTYPE html>\n<html><head><title>" + code + " " + reason + "</title></head>\n<body><h1>" +
         reason + "</h1></body></html>\n";
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
// string (the installer's "?rnd=...") plays no part, and ".." may not climb out. Works on
// the raw target rather than httplib's decoded path so that a bad escape is refused instead
// of passed through, and "%2e%2e" is caught after decoding like "..".
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

// A body of known length from memory. Fixed-length providers are never compressed, so
// the bytes stay as they are whatever Accept-Encoding the client sends.
void SetFixedBody(httplib::Response& response, std::string body, const char* type) {
  auto text = std::make_shared<std::string>(std::move(body));
  response.set_content_provider(text->size(), type,
                                [text](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
                                  return sink.write(text->data() + offset, length);
                                });
}

// One response's open file, closed when httplib drops the response.
struct OpenFile {
  explicit OpenFile(int descriptor) : fd(descriptor) {}
  ~OpenFile() { ::close(fd); }
  OpenFile(const OpenFile&) = delete;
  OpenFile& operator=(const OpenFile&) = delete;
  int fd;
  std::vector<char> chunk = std::vector<char>(kChunkBytes);
};

// With faults on, the redirect faults' targets; null on a server that serves as it should.
struct Serving {
  fs::path root;
  const RedirectPorts* faults = nullptr;
};

void Respond(const httplib::Request& request, httplib::Response& response, const Serving& serving) {
  const fs::path& root = serving.root;
  if (request.method != "GET" && request.method != "HEAD") {
    response.status = 405;
    response.set_header("Allow", "GET, HEAD");
    return;
  }
  std::optional<fs::path> path = FileForTarget(request.target, root);
  if (!path) {
    response.status = 400;
    return;
  }
  int fd = ::open(path->c_str(), O_RDONLY | O_CLOEXEC);
  struct stat info {};
  if (fd < 0 || ::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    if (fd >= 0) ::close(fd);
    response.status = 404;
    return;
  }
  auto file = std::make_shared<OpenFile>(fd);
  response.status = 200;
  auto size = static_cast<std::size_t>(info.st_size);
  if (serving.faults != nullptr) {
    FaultLookup lookup = FindFault(root, *path);
    if (lookup.logFolder) LogRequest(*lookup.logFolder, request.target + " " + (lookup.fault ? lookup.fault->name : "-"));
    if (lookup.fault) {
      ServeFault(request, response, *path, size, ContentType(*path), *lookup.fault, *serving.faults, lookup.logFolder);
      return;
    }
  }
  if (size == 0) {
    // httplib sends no Content-Length at all for a provider of nothing.
    response.set_content("", ContentType(*path));
    return;
  }
  // Streamed in chunks: packages run to hundreds of megabytes.
  response.set_content_provider(
      size, ContentType(*path), [file](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
        ssize_t got = ::pread(file->fd, file->chunk.data(), std::min(length, file->chunk.size()),
                              static_cast<off_t>(offset));
        // A file cut short under us ends the connection: the length is already promised.
        return got > 0 && sink.write(file->chunk.data(), static_cast<std::size_t>(got));
      });
}

// Binds host:port (port 0: any free one) and returns the port, or -1 with a message.
int Bind(httplib::Server& server, const std::string& host, int port) {
  std::string numeric = host == "localhost" ? "127.0.0.1" : host;
  in_addr address{};
  // Loopback only: the server hands out whatever lies in the folder to anyone who asks.
  if (::inet_pton(AF_INET, numeric.c_str(), &address) != 1 || (ntohl(address.s_addr) >> 24) != 127) {
    std::fprintf(stderr, "qz serve: --host must be a loopback address such as 127.0.0.1\n");
    return -1;
  }
  server.set_address_family(AF_INET);
  // httplib's default sets SO_REUSEPORT, which would let a second server share the port
  // silently; SO_REUSEADDR alone only spares us TIME_WAIT after a restart.
  server.set_socket_options([](int fd) {
    int yes = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
  });
  errno = 0;
  int bound = port == 0 ? server.bind_to_any_port(numeric) : (server.bind_to_port(numeric, port) ? port : -1);
  if (bound <= 0) {
    std::fprintf(stderr, "qz serve: cannot listen on %s:%d: %s\n", numeric.c_str(), port,
                 errno != 0 ? std::strerror(errno) : "bind failed");
    return -1;
  }
  return bound;
}
}  // namespace

namespace {
// Every request is answered here, before httplib's routing: its regex routes add nothing
// for one catch-all handler, and other methods get 405 instead of 404.
void Configure(httplib::Server& server, const Serving& serving) {
  server.set_pre_routing_handler([serving](const httplib::Request& request, httplib::Response& response) {
    // Range is ignored: the installer never asks for part of a file, and httplib 0.11 gets
    // range answers wrong (status 200 with Content-Range; a start past the end yields a
    // Content-Length near 2^64; error pages sliced). The request is httplib's own non-const
    // object, so clearing its parsed ranges here is well defined.
    const_cast<httplib::Request&>(request).ranges.clear();
    response.set_header("Accept-Ranges", "none");  // httplib would say "bytes" to HEAD
    Respond(request, response, serving);
    return httplib::Server::HandlerResponse::Handled;
  });
  // Also covers the errors httplib answers itself, such as a malformed request line.
  server.set_error_handler([](const httplib::Request&, httplib::Response& response) {
    SetFixedBody(response, ErrorPage(response.status), "text/html; charset=utf-8");
  });
  server.set_default_headers({{"Server", "qz-serve"}});
  // As static servers do: without it, a small answer's body waits on the client's delayed
  // acknowledgement of its head, 40 ms per request on Linux.
  server.set_tcp_nodelay(true);
  server.set_read_timeout(kIoTimeoutSeconds);
  server.set_write_timeout(kIoTimeoutSeconds);
  // Faults hold their connection's thread for as long as the client waits.
  server.new_task_queue = [] { return new httplib::ThreadPool(32); };
}

// The faults' redirect targets: the same folder without faults, over plain http and on a
// second https port, each on a port of its own.
struct RedirectTargets {
  std::unique_ptr<httplib::Server> plain;
  std::unique_ptr<httplib::SSLServer> secure;
  RedirectPorts ports;
  std::vector<std::thread> threads;

  bool Start(const fs::path& root, const std::function<bool(SSL_CTX&)>& setUp) {
    plain = std::make_unique<httplib::Server>();
    secure = std::make_unique<httplib::SSLServer>(setUp);
    Configure(*plain, Serving{root, nullptr});
    Configure(*secure, Serving{root, nullptr});
    ports.http = Bind(*plain, "127.0.0.1", 0);
    ports.https = Bind(*secure, "127.0.0.1", 0);
    if (ports.http < 0 || ports.https < 0) return false;
    threads.emplace_back([this] { plain->listen_after_bind(); });
    threads.emplace_back([this] { secure->listen_after_bind(); });
    return true;
  }
  void Stop() {
    for (httplib::Server* server : {plain.get(), static_cast<httplib::Server*>(secure.get())}) {
      if (server == nullptr) continue;
      while (!server->is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
      server->stop();
    }
    for (std::thread& thread : threads) thread.join();
  }
};
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
  std::function<bool(SSL_CTX&)> setUp = [&identity](SSL_CTX& context) {
    return SSL_CTX_set_min_proto_version(&context, TLS1_2_VERSION) == 1 &&
           SSL_CTX_use_certificate(&context, identity.cert.get()) == 1 &&
           SSL_CTX_use_PrivateKey(&context, identity.key.get()) == 1 &&
           SSL_CTX_check_private_key(&context) == 1;
  };
  httplib::SSLServer server(setUp);
  if (!server.is_valid()) {
    std::fprintf(stderr, "qz serve: the certificate and key cannot be used together\n");
    return 1;
  }

  // SIGINT and SIGTERM are blocked in every thread (httplib's workers inherit the mask) and
  // taken by one watcher with sigwait, where calling stop() is safe, unlike in a handler.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGINT);
  sigaddset(&stopSignals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
  // A client that stops reading mid-body (the installer does, at its buffer's end) must
  // only end that connection.
  std::signal(SIGPIPE, SIG_IGN);

  bool faults = args.Get("faults").has_value();
  RedirectTargets targets;
  if (faults && !targets.Start(root, setUp)) return 1;
  Configure(server, Serving{root, faults ? &targets.ports : nullptr});
  int bound = Bind(server, args.GetOr("host", "127.0.0.1"), static_cast<int>(port));
  if (bound < 0) {
    if (faults) targets.Stop();
    return 1;
  }

  std::atomic<bool> listenEnded{false};
  std::thread watcher([&] {
    int signal = 0;
    sigwait(&stopSignals, &signal);
    // stop() does nothing until listening has begun, and a signal may come before that.
    while (!listenEnded && !server.is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    if (!listenEnded) server.stop();
  });

  std::printf("qz serve: https://127.0.0.1:%d serving %s\n", bound, root.c_str());
  if (faults) {
    std::printf("qz serve: faults from each folder's %s; redirects to http://127.0.0.1:%d and https://127.0.0.1:%d\n",
                kFaultsFileName, targets.ports.http, targets.ports.https);
  }
  std::fflush(stdout);

  bool clean = server.listen_after_bind();
  listenEnded = true;
  pthread_kill(watcher.native_handle(), SIGTERM);  // wakes the watcher if no signal came
  watcher.join();
  if (faults) targets.Stop();
  return clean ? 0 : 1;
}
