// The installer's process-wide state: every item the window, the workers and the
// package engine share. Whatever crosses threads is atomic; the two items that Cancel
// reads while the install worker may be writing them are guarded by g_pathsLock.
#pragma once

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <random>
#include <string>
#include <string_view>
#include <vector>

enum Page : std::uint32_t {
  PageSplash = 0,
  PageWelcome = 1,
  PageLicence = 2,
  PageFolder = 3,
  PageMaintenance = 4,
  PageReady = 5,
  PageInstalling = 6,
  PageRemoving = 7,
  PageFinished = 8,
  PageFailed = 9,
};

using StringList = std::vector<std::string>;

constexpr std::size_t kPathCapacity = 260;   // narrow paths: at most 259 characters
constexpr std::size_t kListCapacity = 48000;  // file list text, one read
// The size file's read: the 20 digits of the largest 64-bit size and one byte more, which
// shows where a number of that length ends.
constexpr std::size_t kSizeTextCapacity = 21;
constexpr int kWorkerCount = 4;
constexpr std::int32_t g_progressScale = 1000;
constexpr const char* kDefaultSimRoot = "C:/Program Files/Lockheed Martin/Prepar3D v4";

// Run-wide settings and language.
extern std::atomic<bool> g_russian;  // read by the decoding threads for their messages
extern char g_simRoot[kPathCapacity];
extern std::mt19937 g_random;

// Wizard, progress and cancellation.
extern std::atomic<std::uint32_t> g_page;
extern std::atomic<bool> g_installerOutdated;
extern std::atomic<bool> g_cancelRequested;
extern std::atomic<bool> g_cancelBlocked;
extern std::atomic<std::uint32_t> g_installPhase;
extern std::atomic<std::int32_t> g_downloadPos;
extern std::atomic<std::int32_t> g_taskbarState;

// g_downloadInfo is rewritten by the download callback while the window may paint it:
// it is only reached through these two, which copy it whole under a short lock.
using WideText64 = std::array<char16_t, 64>;
void SetDownloadInfo(const WideText64& text);
WideText64 GetDownloadInfo();

// Texts and values of the wizard pages (window thread only).
extern char16_t g_modelVersionLine[260];
extern char16_t g_spaceRequiredLine[64];
extern char16_t g_spaceAvailableLine[64];
extern std::uint64_t g_spaceRequired;
extern std::uint64_t g_spaceAvailable;

// Online data and package paths.
extern std::uint32_t g_bytesRead;
extern char g_listBuffer[kListCapacity];
extern char g_launcherVersionText[4];
extern char g_modelVersionText[4];
extern char g_sizeText[kSizeTextCapacity];
// The program's own file version, part by part, and as one hex character a part.
extern std::uint32_t g_ownVersionMajor, g_ownVersionMinor, g_ownVersionBuild, g_ownVersionRevision;
extern char g_ownVersionText[4];
extern char g_packageUrl[kPathCapacity];  // set from the server settings at start-up
extern char g_rndQuery[24];
extern char g_downloadUrl[kPathCapacity];
extern char g_packagePath[kPathCapacity];

// File lists, index-aligned with g_fileList, and the shares of the decoding threads.
extern StringList g_fileList;
extern StringList g_tempRelPaths;
extern StringList g_dirPaths;
extern StringList g_tempFiles;
extern StringList g_targetFiles;
extern StringList g_workerSources[kWorkerCount];
extern StringList g_workerTargets[kWorkerCount];
extern std::atomic<bool> g_workerDone[kWorkerCount];
extern std::atomic<std::int32_t> g_workerProgress[kWorkerCount];
extern std::atomic<std::int32_t> g_workerFailures[kWorkerCount];  // files a worker could not unpack
extern std::uint32_t g_prepareIndex;
extern std::string g_dirTail;

// Held by the install worker while it rebuilds g_packagePath and g_tempFiles, and by
// Cancel while it reads them to delete what exists.
extern std::mutex g_pathsLock;

// Empties the four threads' shares and clears their flags and counters.
void ResetWorkerShares();

// Puts every item back to its start value (tests run many installs in one process).
void ResetInstallerState();

// Stores text in a fixed wide buffer, zero-filled, cut to leave room for the terminator.
template <std::size_t N>
void StoreWideText(char16_t (&buffer)[N], std::u16string_view text) {
  std::fill(std::begin(buffer), std::end(buffer), u'\0');
  std::copy_n(text.begin(), std::min(text.size(), N - 1), buffer);
}

// Russian or English form of a text, chosen by g_russian at the moment it is shown.
inline const char* Tr(const char* russian, const char* english) {
  return g_russian.load(std::memory_order_relaxed) ? russian : english;
}
inline const char16_t* Tr(const char16_t* russian, const char16_t* english) {
  return g_russian.load(std::memory_order_relaxed) ? russian : english;
}
