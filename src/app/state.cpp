#include "app/state.h"

#include <cstdio>
#include <cstring>

#include "online/server.h"

std::atomic<bool> g_russian{true};
char g_simRoot[kPathCapacity] = "C:/Program Files/Lockheed Martin/Prepar3D v4";
std::mt19937 g_random;

std::atomic<std::uint32_t> g_page{PageSplash};
std::atomic<bool> g_installerOutdated{false};
std::atomic<bool> g_cancelRequested{false};
std::atomic<bool> g_cancelBlocked{false};
std::atomic<std::uint32_t> g_installPhase{0};
std::atomic<std::int32_t> g_downloadPos{0};
std::atomic<std::int32_t> g_taskbarState{0};

namespace {
std::mutex g_downloadInfoLock;
WideText64 g_downloadInfo{};
}  // namespace

void SetDownloadInfo(const WideText64& text) {
  std::lock_guard<std::mutex> hold(g_downloadInfoLock);
  g_downloadInfo = text;
}

WideText64 GetDownloadInfo() {
  std::lock_guard<std::mutex> hold(g_downloadInfoLock);
  return g_downloadInfo;
}

char16_t g_modelVersionLine[260];
char16_t g_spaceRequiredLine[64];
char16_t g_spaceAvailableLine[64];
std::uint64_t g_spaceRequired = 0;
std::uint64_t g_spaceAvailable = 0;

std::uint32_t g_bytesRead = 0;
char g_listBuffer[kListCapacity];
char g_launcherVersionText[4];
char g_modelVersionText[4];
char g_sizeText[kSizeTextCapacity];
std::uint32_t g_ownVersionMajor = 0, g_ownVersionMinor = 0, g_ownVersionBuild = 0, g_ownVersionRevision = 0;
char g_ownVersionText[4];
char g_packageUrl[kPathCapacity];
char g_rndQuery[24];
char g_downloadUrl[kPathCapacity];
char g_packagePath[kPathCapacity];

StringList g_fileList;
StringList g_tempRelPaths;
StringList g_dirPaths;
StringList g_tempFiles;
StringList g_targetFiles;
StringList g_workerSources[kWorkerCount];
StringList g_workerTargets[kWorkerCount];
std::atomic<bool> g_workerDone[kWorkerCount];
std::atomic<std::int32_t> g_workerProgress[kWorkerCount];
std::atomic<std::int32_t> g_workerFailures[kWorkerCount];
std::uint32_t g_prepareIndex = 0;
std::string g_dirTail;

std::mutex g_pathsLock;

namespace {
template <typename T, std::size_t N>
void Zero(T (&buffer)[N]) {
  std::memset(buffer, 0, sizeof buffer);
}

// The package address depends on the run-time server override, so it is filled here
// rather than by a constant initialiser; it runs once before main and on every reset.
void FillPackageUrl() {
  Zero(g_packageUrl);
  std::snprintf(g_packageUrl, sizeof g_packageUrl, "%s", ServerUrl(Resource::Package).c_str());
}
const bool g_packageUrlReady = (FillPackageUrl(), true);
}  // namespace

void ResetWorkerShares() {
  for (int j = 0; j < kWorkerCount; ++j) {
    g_workerSources[j].clear();
    g_workerTargets[j].clear();
    g_workerDone[j] = false;
    g_workerProgress[j] = 0;
    g_workerFailures[j] = 0;
  }
}

void ResetInstallerState() {
  g_russian = true;
  Zero(g_simRoot);
  std::snprintf(g_simRoot, sizeof g_simRoot, "%s", kDefaultSimRoot);
  g_random = std::mt19937{};
  g_page = PageSplash;
  g_installerOutdated = false;
  g_cancelRequested = false;
  g_cancelBlocked = false;
  g_installPhase = 0;
  g_downloadPos = 0;
  g_taskbarState = 0;
  SetDownloadInfo(WideText64{});
  Zero(g_modelVersionLine);
  Zero(g_spaceRequiredLine);
  Zero(g_spaceAvailableLine);
  g_spaceRequired = 0;
  g_spaceAvailable = 0;
  g_bytesRead = 0;
  Zero(g_listBuffer);
  Zero(g_launcherVersionText);
  Zero(g_modelVersionText);
  Zero(g_sizeText);
  g_ownVersionMajor = g_ownVersionMinor = g_ownVersionBuild = g_ownVersionRevision = 0;
  Zero(g_ownVersionText);
  FillPackageUrl();
  Zero(g_rndQuery);
  Zero(g_downloadUrl);
  {
    std::lock_guard<std::mutex> hold(g_pathsLock);
    Zero(g_packagePath);
    g_tempFiles.clear();
  }
  for (StringList* list : {&g_fileList, &g_tempRelPaths, &g_dirPaths, &g_targetFiles}) list->clear();
  ResetWorkerShares();
  g_prepareIndex = 0;
  g_dirTail.clear();
}
