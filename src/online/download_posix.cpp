// The package transfer on libcurl, reporting as the URL moniker download does: the reply's
// status before the first data, status 4 with the length at the first data, status 5 for
// each further piece, the cancel test at every report, and a failure HRESULT.
#include <cstdio>
#include <limits>

#include "online/curl_session_posix.h"
#include "online/download.h"
#include "platform/fs.h"

namespace {
struct Transfer {
  CURL* curl = nullptr;
  std::FILE* file = nullptr;
  bool begun = false;
  bool aborted = false;
  bool writeFailed = false;
  std::uint32_t received = 0;
  std::uint64_t written = 0;
  std::uint32_t length = 0;  // 0 when the server sends none
};

std::uint32_t Clamp32(std::uint64_t value) {
  return value > std::numeric_limits<std::uint32_t>::max() ? std::numeric_limits<std::uint32_t>::max()
                                                          : static_cast<std::uint32_t>(value);
}

// Each piece is reported before it is written, so that a piece the report refuses (an
// error page, a package of 4 GiB or more, bytes beyond the length) never reaches the file.
std::size_t Receive(char* data, std::size_t size, std::size_t count, void* user) {
  auto* transfer = static_cast<Transfer*>(user);
  std::size_t bytes = size * count;
  transfer->received = Clamp32(std::uint64_t{transfer->received} + bytes);
  std::uint32_t status = kBindStatusDownloadingData;
  if (!transfer->begun) {
    transfer->begun = true;
    long reply = 0;
    curl_easy_getinfo(transfer->curl, CURLINFO_RESPONSE_CODE, &reply);
    OnResponseStatus(static_cast<std::uint32_t>(reply));
    curl_off_t length = -1;
    curl_easy_getinfo(transfer->curl, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
    OnAnnouncedLength(length > 0 ? static_cast<std::uint64_t>(length) : 0);
    transfer->length = length > 0 ? Clamp32(static_cast<std::uint64_t>(length)) : 0;
    status = kBindStatusBeginDownloadData;
  }
  if (OnProgress(transfer->received, transfer->length, status) == kEAbort) {
    transfer->aborted = true;
    return 0;
  }
  if (std::fwrite(data, 1, bytes, transfer->file) != bytes) {
    transfer->writeFailed = true;
    return 0;
  }
  transfer->written += bytes;
  return bytes;
}

// Called by curl while it connects or waits for data: a report of a status that only
// gets the cancel test, as the moniker's other statuses do.
int Waiting(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
  auto* transfer = static_cast<Transfer*>(user);
  if (OnProgress(transfer->received, transfer->length, 0) != kEAbort) return 0;
  transfer->aborted = true;
  return 1;
}

std::uint32_t ResultOf(CURLcode code, const Transfer& transfer) {
  if (transfer.aborted) return kEAbort;
  if (transfer.writeFailed) return kEAccessDenied;
  switch (code) {
    case CURLE_OPERATION_TIMEDOUT: return kInetEConnectionTimeout;  // below the speed floor
    case CURLE_OK: return kSOk;
    case CURLE_OUT_OF_MEMORY: return kEOutOfMemory;
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY: return kInetEResourceNotFound;
    case CURLE_COULDNT_CONNECT: return kInetECannotConnect;
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_SSL_CACERT_BADFILE: return kInetESecurityProblem;
    default: return kInetEDownloadFailure;  // the transfer broke off
  }
}
}  // namespace

std::uint32_t TransferToFile(const char* url, const char* path, std::uint64_t& written) {
  OnDownloadStart();
  written = 0;
  CurlSession session = OpenCurlSession(url);
  if (!session.easy) return kEOutOfMemory;
  Transfer transfer;
  transfer.curl = session.easy.get();
  transfer.file = std::fopen(path, "wb");
  if (transfer.file == nullptr) return kEAccessDenied;
  curl_easy_setopt(transfer.curl, CURLOPT_WRITEFUNCTION, Receive);
  curl_easy_setopt(transfer.curl, CURLOPT_WRITEDATA, &transfer);
  curl_easy_setopt(transfer.curl, CURLOPT_NOPROGRESS, 0L);
  curl_easy_setopt(transfer.curl, CURLOPT_XFERINFOFUNCTION, Waiting);
  curl_easy_setopt(transfer.curl, CURLOPT_XFERINFODATA, &transfer);
  CURLcode code = curl_easy_perform(transfer.curl);
  bool closed = std::fclose(transfer.file) == 0;
  // A reply with no body (or a redirect curl would not follow) reaches no first data.
  long reply = 0;
  curl_easy_getinfo(transfer.curl, CURLINFO_RESPONSE_CODE, &reply);
  OnResponseStatus(static_cast<std::uint32_t>(reply));
  std::uint32_t result = ResultOf(code, transfer);
  if (result == kSOk && !closed) result = kEAccessDenied;
  written = transfer.written;
  if (result != kSOk) DeleteFileAt(path);
  return result;
}
