#include "online/server.h"

#include <cstdlib>
#include <cstring>

namespace {
// A mirror is a fair use of QZ_SERVER; leaving HTTPS is not, so any other address is
// ignored and the built-in host stays.
bool IsHttps(const char* url) { return std::strncmp(url, "https://", 8) == 0; }

std::string Host(const char* builtIn) {
  const char* override = std::getenv("QZ_SERVER");
  std::string host = (override != nullptr && IsHttps(override)) ? override : builtIn;
  while (!host.empty() && host.back() == '/') host.pop_back();
  return host;
}
}  // namespace

const char* ResourcePath(Resource resource) {
  switch (resource) {
    case Resource::LauncherVersion: return "/files/Setup/Launcher_Ver.txt";
    case Resource::ModelVersion: return "/_RegOnline/Xq_730K5_QZ_x64/FileVer.txt";
    case Resource::FilesSize: return "/files/Setup/Files_Size_Xq_730K5_QZ.txt";
    case Resource::FileList: return "/files/Setup/File_List_Xq_730K5_QZ.txt";
    case Resource::Package: return "/files/Setup/Setup_Xq_730K5_QZ_x64.zip";
  }
  return "";
}

std::string ServerUrl(Resource resource) {
  const char* builtIn = resource == Resource::ModelVersion ? QZ_MODEL_HOST : QZ_DOWNLOAD_HOST;
  return Host(builtIn) + ResourcePath(resource);
}

std::string WebHostUrl() { return Host(QZ_WEB_HOST); }
