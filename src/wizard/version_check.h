// The start-up check against the newest installer published on the server. It only
// records its verdict in g_installerOutdated; Next on the first page acts on it.
#pragma once

#include <string>

// Where a file of exactly 8 bytes keeps a mismatching installer usable.
#ifdef _WIN32
constexpr const char* kVersionOverridePath = "D:/Visual Studio 2019/Projects/Test for QZ Projects.qz";
#else
constexpr const char* kVersionOverridePath = "/tmp/Test for QZ Projects.qz";
#endif

void CheckInstallerVersion();

// Reads the program's own version into g_ownVersion*: the version resource where the
// program has one, otherwise the version it was built as.
void ReadOwnVersion();

// Turns g_ownVersion* into g_ownVersionText and compares it byte for byte with the four
// bytes of g_launcherVersionText.
bool OwnVersionMatchesServer();

// True when the override file exists with exactly 8 bytes.
bool VersionOverridePresent();

// Where VersionOverridePresent looks: kVersionOverridePath, which the program never
// changes. Test processes run side by side, so each points it at a file of its own; an
// empty path puts the fixed one back.
void SetVersionOverridePath(const std::string& path);
