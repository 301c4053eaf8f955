#include "workers/file_list.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <set>

#include "platform/fs.h"
#include "platform/path_case.h"
#include "platform/ui_port.h"

bool HasListLead(const char* text) { return std::memcmp(text, "Effec", 5) == 0; }

void ParseFileList(StringList& list, const char* text, std::uint32_t length) {
  std::string current;
  for (std::uint32_t i = 0; i < length; ++i) {
    if (i == length - 1) {
      current += text[i];
      list.push_back(current);
    } else if (text[i] == '\r') {
      list.push_back(current);
      current.clear();
      ++i;
    } else {
      current += text[i];
    }
  }
}

namespace {
bool IsReservedDeviceName(const std::string& component) {
  std::string stem = component.substr(0, component.find('.'));
  std::transform(stem.begin(), stem.end(), stem.begin(), [](unsigned char c) { return std::toupper(c); });
  static const std::set<std::string> kNames = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
  if (kNames.count(stem) != 0) return true;
  return stem.size() == 4 && (stem.rfind("COM", 0) == 0 || stem.rfind("LPT", 0) == 0) &&
         stem[3] >= '0' && stem[3] <= '9';
}

bool IsSafeComponent(const std::string& component) {
  if (component.empty() || component == "." || component == "..") return false;
  if (component.back() == '.' || component.back() == ' ') return false;  // Windows drops them
  for (unsigned char c : component) {
    if (c < 0x20 || c == 0x7F || std::strchr("\\:*?\"<>|", c) != nullptr) return false;
  }
  return !IsReservedDeviceName(component);
}

// A relative path of at least two safe components: no root, drive, device or escape.
bool IsSafeEntry(const std::string& entry) {
  if (entry.find('/') == std::string::npos) return false;
  std::size_t start = 0;
  for (;;) {
    std::size_t slash = entry.find('/', start);
    if (!IsSafeComponent(entry.substr(start, slash - start))) return false;
    if (slash == std::string::npos) return true;
    start = slash + 1;
  }
}

// Paths that two entries would share on a case-insensitive file system. Every entry
// owns three files: itself, its temporary and the sibling it is decoded into. None of
// them may be another entry's file or a folder above any entry: two decoding threads
// would write one file, or the split would meet a file where it must make a folder.
std::string FindConflict(const StringList& list) {
  std::set<std::string> folders;
  for (const std::string& entry : list) {
    for (std::size_t slash = entry.find('/'); slash != std::string::npos; slash = entry.find('/', slash + 1)) {
      folders.insert(PathCaseKey(entry.substr(0, slash)));
    }
  }
  std::set<std::string> files;
  for (const std::string& entry : list) {
    for (const char* suffix : {"", kTempSuffix, kNewSuffix}) {
      std::string key = PathCaseKey(entry + suffix);
      if (folders.count(key) != 0 || !files.insert(key).second) return entry;
    }
  }
  return {};
}

// Entries are shown in a box: control characters and very long texts are not.
std::string Printable(const std::string& entry) {
  std::string shown;
  for (unsigned char c : entry.substr(0, 120)) shown += (c < 0x20 || c == 0x7F) ? '?' : static_cast<char>(c);
  return entry.size() > 120 ? shown + "..." : shown;
}
}  // namespace

ListVerdict CheckFileList(const StringList& list, const char* root) {
  for (const std::string& entry : list) {
    if (!IsSafeEntry(entry)) return {EntryProblem::Unsafe, entry};
    char path[kPathCapacity];
    for (const char* suffix : {kTempSuffix, kNewSuffix}) {  // the longest paths an entry gives
      if (!FormatRootPath(path, root, entry + suffix)) return {EntryProblem::TooLong, entry};
    }
  }
  if (std::string conflict = FindConflict(list); !conflict.empty()) return {EntryProblem::Conflict, conflict};
  return {};
}

void ShowListVerdict(const ListVerdict& verdict) {
  const char* text = "";
  switch (verdict.problem) {
    case EntryProblem::None: return;
    case EntryProblem::Unsafe:
      text = Tr("Список файлов содержит недопустимый путь:\n", "The file list holds an invalid path:\n");
      break;
    case EntryProblem::TooLong:
      text = Tr("Путь в выбранной папке длиннее 259 символов:\n",
                "A path in the chosen folder is longer than 259 characters:\n");
      break;
    case EntryProblem::Conflict:
      text = Tr("Список файлов называет один файл дважды:\n", "The file list names one file twice:\n");
      break;
  }
  ShowWizardBox(text + Printable(verdict.entry), kMbIconExclamation);
}

bool FormatRootPath(char (&out)[kPathCapacity], const char* root, const std::string& relative) {
  std::memset(out, 0, sizeof out);
  int written = std::snprintf(out, sizeof out, "%s/%s", root, relative.c_str());
  if (written < 0 || static_cast<std::size_t>(written) >= sizeof out) {
    std::memset(out, 0, sizeof out);
    return false;
  }
  return true;
}

void CutToFolder(std::string& path) {
  std::size_t slash = path.rfind('/');
  path.resize(slash == std::string::npos ? 0 : slash);
}

void CreateEntryDirectory(std::uint32_t i, const char* root) {
  std::string& folder = g_dirPaths[i];
  g_dirTail.clear();
  for (;;) {
    char candidate[kPathCapacity];
    if (!FormatRootPath(candidate, root, folder) || PathExists(candidate)) return;
    if (CreateDirectoryAt(candidate)) {
      if (g_dirTail.empty()) return;
      // Put back the components taken off, in their former order, and try again.
      std::reverse(g_dirTail.begin(), g_dirTail.end());
      folder += g_dirTail;
      g_dirTail.clear();
      continue;
    }
    std::size_t slash = folder.rfind('/');
    if (slash == std::string::npos) {
      // The first folder below the root cannot be made: nothing higher to climb to.
      std::reverse(g_dirTail.begin(), g_dirTail.end());
      folder += g_dirTail;
      g_dirTail.clear();
      return;
    }
    // Move the last component down one level (reversed, with its '/').
    g_dirTail.append(folder.rbegin(), folder.rbegin() + static_cast<std::ptrdiff_t>(folder.size() - slash));
    folder.resize(slash);
  }
}

bool PrepareEntryPaths() {
  g_tempRelPaths.clear();
  g_dirPaths.clear();
  g_targetFiles.clear();
  {
    std::lock_guard<std::mutex> hold(g_pathsLock);
    g_tempFiles.clear();
  }
  for (const std::string& entry : g_fileList) g_tempRelPaths.push_back(entry + kTempSuffix);
  g_dirPaths = g_tempRelPaths;
  for (g_prepareIndex = 0; g_prepareIndex < g_fileList.size(); ++g_prepareIndex) {
    std::uint32_t i = g_prepareIndex;
    char tempPath[kPathCapacity];
    char targetPath[kPathCapacity];
    if (!FormatRootPath(tempPath, g_simRoot, g_tempRelPaths[i]) ||
        !FormatRootPath(targetPath, g_simRoot, g_fileList[i])) {
      return false;
    }
    {
      std::lock_guard<std::mutex> hold(g_pathsLock);
      g_tempFiles.push_back(tempPath);
    }
    g_targetFiles.push_back(targetPath);
    CutToFolder(g_dirPaths[i]);
    CreateEntryDirectory(i, g_simRoot);
  }
  return true;
}
