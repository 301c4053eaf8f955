// A fresh folder per test, removed afterwards; its path uses '/' on every platform,
// as the installer's paths do.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& Path() const { return path_; }
  std::string operator/(const std::string& relative) const { return path_ + "/" + relative; }

 private:
  std::string path_;
};

void WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes);
void WriteFile(const std::string& path, const std::string& text);
std::vector<std::uint8_t> ReadFile(const std::string& path);  // empty when there is no file
bool Exists(const std::string& path);
// Every file below dir, and with folders every folder too: relative, with '/', sorted.
std::vector<std::string> FilesBelow(const std::string& dir, bool withFolders = false);

// Copies the files of the folder from into the folder to, replacing files of the same
// name; a folder without files is not copied. (MinGW's std::filesystem::copy refuses a
// destination folder that exists.)
void CopyTree(const std::string& from, const std::string& to);
