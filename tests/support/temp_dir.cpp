#include "support/temp_dir.h"

#include <algorithm>
#include <atomic>
#include <fstream>
#include <random>

namespace fs = std::filesystem;

TempDir::TempDir() {
  static std::atomic<int> counter{0};
  fs::path dir = fs::temp_directory_path() /
                 ("qz-test-" + std::to_string(std::random_device{}()) + "-" + std::to_string(counter.fetch_add(1)));
  fs::create_directories(dir);
  path_ = dir.generic_string();  // ends with the folder's own name, never with '/'
}

TempDir::~TempDir() {
  std::error_code ignored;
  fs::remove_all(path_, ignored);
}

void WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  fs::create_directories(fs::path(path).parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

void WriteFile(const std::string& path, const std::string& text) {
  WriteFile(path, std::vector<std::uint8_t>(text.begin(), text.end()));
}

// In one read: the crash tests compare many megabytes after every run.
std::vector<std::uint8_t> ReadFile(const std::string& path) {
  std::error_code error;
  std::uintmax_t size = fs::is_regular_file(path, error) ? fs::file_size(path, error) : 0;
  std::vector<std::uint8_t> bytes(error ? 0 : static_cast<std::size_t>(size));
  std::ifstream in(path, std::ios::binary);
  in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  bytes.resize(static_cast<std::size_t>(in.gcount()));
  return bytes;
}

bool Exists(const std::string& path) { return fs::exists(path); }

std::vector<std::string> FilesBelow(const std::string& dir, bool withFolders) {
  std::vector<std::string> found;
  for (const auto& item : fs::recursive_directory_iterator(dir)) {
    if (withFolders || !item.is_directory()) found.push_back(fs::relative(item.path(), dir).generic_string());
  }
  std::sort(found.begin(), found.end());
  return found;
}

void CopyTree(const std::string& from, const std::string& to) {
  fs::create_directories(to);
  for (const std::string& file : FilesBelow(from)) WriteFile(to + "/" + file, ReadFile(from + "/" + file));
}
