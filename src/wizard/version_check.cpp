#include "wizard/version_check.h"

#include <array>
#include <cstdio>
#include <cstring>
#include <fstream>

#include "app/state.h"
#include "online/fetch_text.h"
#include "online/server.h"
#include "platform/version_resource.h"

namespace {
// One upper-case hex digit a part; a part above 15 leaves its zero byte.
void FillOwnVersionText() {
  const std::uint32_t parts[4] = {g_ownVersionMajor, g_ownVersionMinor, g_ownVersionBuild, g_ownVersionRevision};
  for (int i = 0; i < 4; ++i) {
    if (parts[i] <= 15) g_ownVersionText[i] = "0123456789ABCDEF"[parts[i]];
  }
}

std::string& OverridePath() {
  static std::string path = kVersionOverridePath;
  return path;
}
}  // namespace

void SetVersionOverridePath(const std::string& path) { OverridePath() = path.empty() ? kVersionOverridePath : path; }

void ReadOwnVersion() {
  std::array<std::uint32_t, 4> parts{};
  if (!ReadVersionResource(parts) &&
      std::sscanf(QZ_VERSION_TEXT, "%u.%u.%u.%u", &parts[0], &parts[1], &parts[2], &parts[3]) != 4) {
    return;
  }
  g_ownVersionMajor = parts[0];
  g_ownVersionMinor = parts[1];
  g_ownVersionBuild = parts[2];
  g_ownVersionRevision = parts[3];
}

bool OwnVersionMatchesServer() {
  FillOwnVersionText();
  return std::memcmp(g_launcherVersionText, g_ownVersionText, 4) == 0;
}

bool VersionOverridePresent() {
  std::ifstream file(OverridePath(), std::ios::binary | std::ios::ate);
  return file.is_open() && file.tellg() == std::streampos(8);
}

void CheckInstallerVersion() {
  std::memset(g_launcherVersionText, 0, sizeof g_launcherVersionText);
  FetchText(ServerUrl(Resource::LauncherVersion), g_launcherVersionText, sizeof g_launcherVersionText);
  if (g_launcherVersionText[0] < '0' || g_launcherVersionText[0] > '9') return;
  ReadOwnVersion();
  if (OwnVersionMatchesServer() || VersionOverridePresent()) return;
  g_installerOutdated = true;
}
