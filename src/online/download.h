// The package download with progress: the platform's transfer (URL monikers on Windows,
// libcurl elsewhere) reports to OnProgress with the same statuses, and its result is
// given as the HRESULT the URL moniker download returns.
#pragma once

#include <cstdint>

// Results, with their HRESULT values.
enum : std::uint32_t {
  kSOk = 0,
  kENotImpl = 0x80004001,
  kENoInterface = 0x80004002,
  kEAbort = 0x80004004,
  kEFail = 0x80004005,
  kEAccessDenied = 0x80070005,
  kEOutOfMemory = 0x8007000E,
  kInetECannotConnect = 0x800C0004,
  kInetEResourceNotFound = 0x800C0005,
  kInetEObjectNotFound = 0x800C0006,
  kInetEDownloadFailure = 0x800C0008,
  kInetESecurityProblem = 0x800C000E,
};

// Bind statuses that OnProgress acts on.
enum : std::uint32_t { kBindStatusBeginDownloadData = 4, kBindStatusDownloadingData = 5 };

// The transfer's start (OnStartBinding): a cancel from before it has no effect on it.
void OnDownloadStart();

// Called by the transfer: at the first data (status 4, progressMax the package length)
// the size text and the taskbar hand-over, then for each piece (status 5, progress the
// bytes so far) the bar. Answers kEAbort, clearing the request, when the user cancelled.
std::uint32_t OnProgress(std::uint32_t progress, std::uint32_t progressMax, std::uint32_t statusCode);

// The platform's transfer of url into the file at path, overwriting it. The file exists
// only when the result is kSOk.
std::uint32_t TransferToFile(const char* url, const char* path);

// The transfer's result as the download takes it: a transfer that went on to the end
// after its abort was answered (Wine's URL monikers do) was still cancelled by the user,
// so its file is deleted and the result is kEAbort.
std::uint32_t SettleTransfer(std::uint32_t result, const char* path);

// True when the package file is complete; otherwise its message has been shown.
bool DownloadPackage(const char* url, const char* path);

// The window thread's taskbar step of the download, every 100 ms (g_taskbarState:
// 1 begin, 2 follow g_downloadPos, 3 end, 4 error bar at a quarter).
void TaskbarTick();

// A confirmed Cancel or close: the window thread ends its download taskbar.
void EndWindowTaskbar();
