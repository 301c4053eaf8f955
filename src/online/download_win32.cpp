// The package transfer on URL monikers: URLDownloadToFileA with a status callback that
// lives on the stack for one download and counts no references. It also answers
// IHttpNegotiate, so that the moniker tells it the reply's status, and it asks the
// binding for the address the data finally came from (a redirect is followed inside).
// A watch thread aborts the binding once the transfer falls below the speed floor: the
// moniker reports nothing while a server is silent, and Wine's gives no time-out at all.
#include <windows.h>
#include <urlmon.h>
#include <wininet.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "online/download.h"
#include "online/fetch_text.h"
#include "online/transfer_pace.h"
#include "platform/wide_text.h"

namespace {
class DownloadProgress final : public IBindStatusCallback, public IHttpNegotiate {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (out == nullptr) return E_POINTER;
    if (iid == __uuidof(IUnknown) || iid == __uuidof(IBindStatusCallback)) {
      *out = static_cast<IBindStatusCallback*>(this);
      return S_OK;
    }
    if (iid == __uuidof(IHttpNegotiate)) {
      *out = static_cast<IHttpNegotiate*>(this);
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE OnStartBinding(DWORD, IBinding* binding) override {
    OnDownloadStart();
    std::lock_guard<std::mutex> hold(lock_);
    binding_ = binding;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE GetPriority(LONG*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE OnLowResource(DWORD) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnProgress(ULONG progress, ULONG progressMax, ULONG statusCode, LPCWSTR) override {
    if (statusCode == kBindStatusBeginDownloadData) OnFinalAddress(FinalAddressIsHttps());
    return static_cast<HRESULT>(::OnProgress(progress, progressMax, statusCode));
  }
  HRESULT STDMETHODCALLTYPE OnStopBinding(HRESULT, LPCWSTR) override {
    std::lock_guard<std::mutex> hold(lock_);
    binding_ = nullptr;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE GetBindInfo(DWORD*, BINDINFO*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE OnDataAvailable(DWORD, DWORD, FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE OnObjectAvailable(REFIID, IUnknown*) override { return E_NOTIMPL; }

  HRESULT STDMETHODCALLTYPE BeginningTransaction(LPCWSTR, LPCWSTR, DWORD, LPWSTR* extra) override {
    if (extra != nullptr) *extra = nullptr;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE OnResponse(DWORD status, LPCWSTR head, LPCWSTR, LPWSTR* extra) override {
    if (extra != nullptr) *extra = nullptr;
    OnResponseStatus(status);
    // The progress reports count in 32 bits: only the head tells a length of 4 GiB or more.
    if (head != nullptr) OnAnnouncedLength(ContentLengthOf(NarrowToUtf8(head)).value_or(0));
    return S_OK;
  }

  // From the watch thread: the binding may be aborted from another thread, the moniker
  // hands the abort to its own.
  void Abort() {
    std::lock_guard<std::mutex> hold(lock_);
    if (binding_ != nullptr) binding_->Abort();
  }

 private:
  // Unknown counts as HTTPS: only an address seen to be another scheme is refused.
  bool FinalAddressIsHttps() {
    IBinding* binding = nullptr;
    {
      std::lock_guard<std::mutex> hold(lock_);
      binding = binding_;
    }
    IWinInetHttpInfo* info = nullptr;
    if (binding == nullptr || FAILED(binding->QueryInterface(__uuidof(IWinInetHttpInfo), reinterpret_cast<void**>(&info)))) {
      return true;
    }
    wchar_t url[2048] = {};
    DWORD size = sizeof url;
    bool https = info->QueryOption(INTERNET_OPTION_URL, url, &size) != S_OK || _wcsnicmp(url, L"https://", 8) == 0;
    info->Release();
    return https;
  }

  std::mutex lock_;
  IBinding* binding_ = nullptr;
};

// Looks at the pace every 100 ms until stopped; aborts the binding once it has stalled.
class StallWatch {
 public:
  explicit StallWatch(DownloadProgress& callback)
      : thread_([this, &callback] {
          TransferPace pace;
          std::unique_lock<std::mutex> hold(lock_);
          while (!stopped_) {
            stop_.wait_for(hold, std::chrono::milliseconds(100));
            pace.Received(ReportedBytes());
            if (stopped_ || !pace.Stalled()) continue;
            RefuseTransfer(kInetEConnectionTimeout);
            callback.Abort();
          }
        }) {}
  ~StallWatch() {
    {
      std::lock_guard<std::mutex> hold(lock_);
      stopped_ = true;
    }
    stop_.notify_one();
    thread_.join();
  }
  StallWatch(const StallWatch&) = delete;
  StallWatch& operator=(const StallWatch&) = delete;

 private:
  std::mutex lock_;
  std::condition_variable stop_;
  bool stopped_ = false;
  std::thread thread_;
};

std::uint64_t FileBytes(const char* path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExA(path, GetFileExInfoStandard, &data)) return 0;
  return (std::uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
}
}  // namespace

std::uint32_t TransferToFile(const char* url, const char* path, std::uint64_t& written) {
  DownloadProgress callback;
  HRESULT result;
  {
    StallWatch watch(callback);
    result = URLDownloadToFileA(nullptr, url, path, 0, &callback);
  }
  written = FileBytes(path);
  return static_cast<std::uint32_t>(result);
}
