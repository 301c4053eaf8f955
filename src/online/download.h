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
  kEFileTooLarge = 0x800700DF,
  kEOutOfMemory = 0x8007000E,
  kInetECannotConnect = 0x800C0004,
  kInetEResourceNotFound = 0x800C0005,
  kInetEObjectNotFound = 0x800C0006,
  kInetEDownloadFailure = 0x800C0008,
  kInetEConnectionTimeout = 0x800C000B,
  kInetESecurityProblem = 0x800C000E,
  kInetERedirectFailed = 0x800C0014,
};

// Bind statuses that OnProgress acts on.
enum : std::uint32_t { kBindStatusBeginDownloadData = 4, kBindStatusDownloadingData = 5 };

// The transfer's start (OnStartBinding): what the last transfer learned is forgotten. A
// cancel confirmed before it is kept for the first report to answer: cleared here, it
// would let the transfer run on and write the package after the window's clean-up.
void OnDownloadStart();

// What the platform's transfer learns besides the data, before the first data comes: the
// final reply's HTTP status, and whether the address it came from is still HTTPS (a
// redirect may have left it).
void OnResponseStatus(std::uint32_t status);
void OnFinalAddress(bool https);

// The reply's length as its head announced it (0 when none), before any data is written.
// It is the package's length from then on, whatever the transfer's reports say (Wine's
// monikers report at most 2^31 - 1); a package of 4 GiB or more, beyond the 32-bit
// counters and the package's offsets, is refused (kEFileTooLarge).
void OnAnnouncedLength(std::uint64_t length);

// What the user is told of such a package, here and by the split.
const char* PackageTooLargeText();

// The transfer is not the package (it stalled, or the platform found it wrong): the next
// report aborts it and the download fails with result. The first reason stays.
void RefuseTransfer(std::uint32_t result);

// Bytes reported by the last OnProgress of status 4 or 5, for the platform's stall watch.
std::uint64_t ReportedBytes();

// Called by the transfer: at the first data (status 4, progressMax the package length)
// the size text and the taskbar hand-over, then for each piece (status 5, progress the
// bytes so far) the bar. Answers kEAbort, clearing the request, when the user cancelled,
// and kEAbort without a word when the transfer is not the package: an error status, a
// redirect off HTTPS, no length (nothing would bound the file), more than the length.
std::uint32_t OnProgress(std::uint32_t progress, std::uint32_t progressMax, std::uint32_t statusCode);

// The platform's transfer of url into the file at path, overwriting it; written receives
// the bytes the file holds when it ends.
std::uint32_t TransferToFile(const char* url, const char* path, std::uint64_t& written);

// The transfer's result as the download takes it, the same on every platform whatever
// the platform's own result: the user's cancel is kEAbort, even when the transfer ran to
// its end after the abort was answered (Wine's URL monikers do); a refused transfer gets
// its reason's result (kInetEObjectNotFound for 404 and 410, kInetERedirectFailed,
// kInetEConnectionTimeout, else kInetEDownloadFailure); a file that is not exactly the
// announced length, or any failure of a server that was reached, is kInetEDownloadFailure;
// a server that could not be reached keeps the platform's result. The file stays only when
// the result is kSOk.
std::uint32_t SettleTransfer(std::uint32_t result, const char* path, std::uint64_t written);

// True when the package file is complete; otherwise its message has been shown.
bool DownloadPackage(const char* url, const char* path);

// The window thread's taskbar step of the download, every 100 ms (g_taskbarState:
// 1 begin, 2 follow g_downloadPos, 3 end, 4 error bar at a quarter). The window thread
// holds one COM initialisation for its taskbar from the first begin to the end, however
// the states come (1 straight to 3, 4 on many ticks).
void TaskbarTick();

// A confirmed Cancel or close: the window thread ends its download taskbar.
void EndWindowTaskbar();
