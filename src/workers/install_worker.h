// The install (and the repair, the same run over an existing installation), from the
// package download to the finished page, on a thread of its own.
#pragma once

// Draws the "?rnd=" number and builds g_rndQuery, g_downloadUrl and g_packagePath.
// False when the address or the package path would not fit in 259 characters.
bool BuildDownloadAddresses();

void InstallWorker();
