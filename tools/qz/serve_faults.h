// qz serve --faults: a hostile server for the tests. On each request the server looks for
// a faults file in every folder on the way from the served root to the file; a line
//   /files/Setup/File_List_Xq_730K5_QZ.txt reset 1000
// names a file relative to that folder, a fault and its number. The first line that names
// the file decides; a folder with a faults file also gets a log of the requests below it,
// so that tests working in their own folder of a shared tree (the Wine runs) see theirs.
#pragma once

#include <httplib.h>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

constexpr const char* kFaultsFileName = "qz-faults.txt";
constexpr const char* kRequestLogName = "qz-requests.log";

enum class FaultKind {
  Close,          // no reply at all: the connection is shut once the request is read
  Reset,          // the whole length promised, N bytes, then a TCP reset
  Short,          // the whole length promised, N bytes, then an orderly close
  Status,         // status N with a small HTML page
  RedirectHttp,   // 302 to the same target over plain http
  RedirectHttps,  // 302 to the same target on another https port
  Drip,           // the whole length promised, N bytes a second (0: headers, then silence)
  Silent,         // TLS done, the request read, and never a byte of reply
  Endless,        // no length, and a body that never ends
  Announce,       // a length of N bytes promised, the file sent, then an orderly close
};

struct Fault {
  FaultKind kind;
  std::uint64_t n = 0;
  std::string name;  // as written in the faults file, for the log
};

// The folder of the first faults file on the way to file (for the request log), and the
// fault of the first line naming file, if any.
struct FaultLookup {
  std::optional<std::filesystem::path> logFolder;
  std::optional<Fault> fault;
};
FaultLookup FindFault(const std::filesystem::path& root, const std::filesystem::path& file);

// Appends one line to the request log of folder.
void LogRequest(const std::filesystem::path& folder, const std::string& line);

// Where the redirect faults send a client: the plain http and the second https listener.
struct RedirectPorts {
  int http = 0;
  int https = 0;
};

// Answers request for file (size bytes, content type) with fault. logFolder, when set,
// receives a line once a streamed fault has ended, with the bytes it sent.
void ServeFault(const httplib::Request& request, httplib::Response& response, const std::filesystem::path& file,
                std::uint64_t size, const char* type, const Fault& fault, const RedirectPorts& ports,
                const std::optional<std::filesystem::path>& logFolder);
