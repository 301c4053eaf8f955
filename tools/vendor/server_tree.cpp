#include "server_tree.h"

#include <algorithm>
#include <fstream>
#include <optional>
#include <set>
#include <system_error>

#include "app/state.h"
#include "online/server.h"
#include "package/container.h"
#include "workers/file_list.h"
#include "lzw_encoder.h"
#include "sample_addon.h"

namespace fs = std::filesystem;

namespace {

constexpr std::uint64_t kMaxPackageBytes = 0xFFFFFFFFull;  // the installer maps it with 32-bit offsets

// File-list order: "Effec..." entries first, then the rest, each group byte-wise.
bool ListsBefore(const std::string& a, const std::string& b) {
  bool aLeads = a.starts_with("Effec"), bLeads = b.starts_with("Effec");
  return aLeads != bLeads ? aLeads : a < b;
}

struct Entry {
  std::string relative;
  fs::path path;
  std::uint64_t size = 0;
};

fs::path ResourceFile(const fs::path& treeDir, Resource resource) {
  return treeDir / fs::path(ResourcePath(resource) + 1);  // without the leading '/'
}

bool WriteWhole(const fs::path& path, const std::string& text) {
  std::error_code error;
  fs::create_directories(path.parent_path(), error);
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(text.data(), static_cast<std::streamsize>(text.size()));
  file.close();
  return static_cast<bool>(file);
}

// Relative path with '/' separators, or nothing when it is not printable ASCII (the list
// is plain bytes separated by CR LF, and the installer joins narrow paths).
std::optional<std::string> ListablePath(const fs::path& relative) {
  std::string text;
  for (char8_t c : relative.generic_u8string()) {
    if (c < 0x20 || c > 0x7E) return std::nullopt;
    text += static_cast<char>(c);
  }
  return text;
}

std::set<std::string> ReadUnlistedIndex(const fs::path& addonDir) {
  std::set<std::string> unlisted{kUnlistedIndexName};
  std::ifstream index(addonDir / kUnlistedIndexName, std::ios::binary);
  std::string line;
  while (std::getline(index, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::replace(line.begin(), line.end(), '\\', '/');
    if (!line.empty()) unlisted.insert(line);
  }
  return unlisted;
}

std::string CollectEntries(const fs::path& addonDir, std::vector<Entry>& entries) {
  std::error_code error;
  if (!fs::is_directory(addonDir, error)) return addonDir.string() + " is not a folder";
  std::set<std::string> unlisted = ReadUnlistedIndex(addonDir);
  fs::recursive_directory_iterator it(addonDir, error);
  for (; !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
    if (!it->is_regular_file(error)) continue;
    std::optional<std::string> relative = ListablePath(it->path().lexically_relative(addonDir));
    if (!relative) return "cannot list " + it->path().string() + ": only printable ASCII paths can be listed";
    if (unlisted.count(*relative) != 0) continue;
    std::uint64_t size = it->file_size(error);
    if (error) break;
    // LzwEncode of nothing is an empty payload, which the installer takes for damage.
    if (size == 0) return "cannot pack the empty file " + *relative;
    entries.push_back({*relative, it->path(), size});
  }
  if (error) return "cannot read " + addonDir.string() + ": " + error.message();
  std::sort(entries.begin(), entries.end(),
            [](const Entry& a, const Entry& b) { return ListsBefore(a.relative, b.relative); });
  return "";
}

std::optional<std::string> LauncherVersionText(const std::string& version) {
  if (version.size() != 7) return std::nullopt;
  std::string text;
  for (std::size_t i = 0; i < version.size(); ++i) {
    char c = version[i];
    if (i % 2 == 1 ? c != '.' : (c < '0' || c > '9')) return std::nullopt;
    if (i % 2 == 0) text += c;
  }
  return text;
}

bool IsModelVersion(const std::string& version) {
  return version.size() == 4 &&
         std::all_of(version.begin(), version.end(), [](char c) { return c > 0x20 && c < 0x7F; });
}

// Streams one record per entry so that only one file and its payload are in memory.
std::string WritePackage(const fs::path& target, const std::vector<Entry>& entries, const ServerTreeOptions& options,
                         std::uint64_t& packageBytes) {
  std::error_code error;
  fs::create_directories(target.parent_path(), error);
  std::ofstream package(target, std::ios::binary | std::ios::trunc);
  if (!package) return "cannot create " + target.string();
  package.write(reinterpret_cast<const char*>(kPackageMagic), kPackageMagicSize);
  packageBytes = kPackageMagicSize;
  std::vector<std::uint8_t> data;
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const Entry& entry = entries[i];
    std::ifstream file(entry.path, std::ios::binary);
    data.resize(static_cast<std::size_t>(entry.size));
    file.read(reinterpret_cast<char*>(data.data()), static_cast<std::streamsize>(data.size()));
    if (!file || file.peek() != std::ifstream::traits_type::eof()) {
      return "cannot read " + entry.path.string() + " (or it changed while packing)";
    }
    std::vector<std::uint8_t> payload = LzwEncode(data);
    packageBytes += kRecordHeaderSize + payload.size();
    if (packageBytes > kMaxPackageBytes) return "the package would reach 4 GiB, which the installer cannot open";
    char header[kRecordHeaderSize] = {'[', 0, 0, 0, 0, ']'};
    for (std::size_t b = 0; b < 4; ++b) header[1 + b] = static_cast<char>((payload.size() >> (8 * b)) & 0xFF);
    package.write(header, kRecordHeaderSize);
    package.write(reinterpret_cast<const char*>(payload.data()), static_cast<std::streamsize>(payload.size()));
    if (!package) return "cannot write " + target.string();
    if (options.progress) options.progress(i + 1, entries.size());
  }
  package.close();
  if (!package) return "cannot write " + target.string();
  return "";
}

}  // namespace

void OrderFileList(std::vector<std::string>& paths) { std::sort(paths.begin(), paths.end(), ListsBefore); }

ServerTreeResult PackServerTree(const fs::path& addonDir, const fs::path& treeDir, const ServerTreeOptions& options) {
  ServerTreeResult result;
  std::optional<std::string> launcherVersion = LauncherVersionText(options.installerVersion);
  if (!launcherVersion) {
    result.error = "installer version \"" + options.installerVersion +
                   "\" is not four single digits like 1.1.0.0 (the installer compares four characters)";
    return result;
  }
  if (!IsModelVersion(options.modelVersion)) {
    result.error = "model version \"" + options.modelVersion + "\" is not exactly four characters like 1200";
    return result;
  }

  std::vector<Entry> entries;
  result.error = CollectEntries(addonDir, entries);
  if (!result.ok()) return result;
  if (entries.empty() || !entries.front().relative.starts_with("Effec")) {
    result.error = "no listed path starts with \"Effec\"; the installer refuses a file list that does not";
    return result;
  }

  std::string list;
  StringList relatives;
  for (const Entry& entry : entries) {
    list += entry.relative + "\r\n";
    relatives.push_back(entry.relative);
    result.decodedBytes += entry.size;
  }
  // The installer's own rules, checked under its default root folder.
  if (ListVerdict verdict = CheckFileList(relatives, kDefaultSimRoot); verdict.problem != EntryProblem::None) {
    result.error = "the installer would refuse the listed path \"" + verdict.entry + "\"";
    return result;
  }
  if (list.size() > kListCapacity) {
    result.error = "the file list would be " + std::to_string(list.size()) + " bytes; the installer reads at most " +
                   std::to_string(kListCapacity);
    return result;
  }
  result.fileCount = entries.size();
  result.listBytes = list.size();

  fs::path packagePath = ResourceFile(treeDir, Resource::Package);
  result.error = WritePackage(packagePath, entries, options, result.packageBytes);
  if (!result.ok()) {
    std::error_code ignored;
    fs::remove(packagePath, ignored);
    return result;
  }

  const std::pair<Resource, std::string> texts[] = {
      {Resource::LauncherVersion, *launcherVersion},
      {Resource::ModelVersion, options.modelVersion},
      {Resource::FilesSize, std::to_string(result.decodedBytes)},
      {Resource::FileList, list},
  };
  for (const auto& [resource, text] : texts) {
    fs::path path = ResourceFile(treeDir, resource);
    if (!WriteWhole(path, text)) {
      result.error = "cannot write " + path.string();
      return result;
    }
    result.written.push_back(path);
  }
  result.written.push_back(packagePath);
  return result;
}
