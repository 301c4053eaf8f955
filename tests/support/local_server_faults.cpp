// The faults file and the request log live in the served folder, so both the native tests
// and the Wine ones (whose folder the shared native server serves) reach them alike.
#include <fstream>

#include "support/local_server.h"

void LocalServer::SetFault(const std::string& path, const std::string& fault) const {
  std::ofstream(root_ + "/qz-faults.txt", std::ios::binary | std::ios::trunc) << path << " " << fault << "\n";
}

std::vector<std::string> LocalServer::RequestLog() const {
  std::vector<std::string> lines;
  std::ifstream in(root_ + "/qz-requests.log");
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}
