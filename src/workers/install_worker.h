// The install (and the repair, the same run over an existing installation), from the
// package download to the finished page, on a thread of its own.
#pragma once

// Draws the "?rnd=" number and builds g_rndQuery, g_downloadUrl and g_packagePath.
// False when the address or the package path would not fit in 259 characters.
bool BuildDownloadAddresses();

void InstallWorker();

// Wall time of each phase of the last InstallWorker run, in seconds; 0 for a phase it
// did not reach. Read it after the worker has ended.
struct InstallPhaseTimes {
  double download = 0;
  double split = 0;     // the list, the check and the cut, with the decoders following
  double decoding = 0;  // the decoding left when the cut is done
  double deleting = 0;
};
InstallPhaseTimes LastInstallPhaseTimes();
