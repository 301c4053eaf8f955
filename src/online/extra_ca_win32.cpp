// QZ_CA_BUNDLE names a test server's own CA. WinINet and URL monikers take no CA per
// request, so it is trusted through the current user's Root store.
#include <windows.h>
#include <wincrypt.h>

#include <cstdio>
#include <cwchar>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "online/extra_ca_win32.h"

namespace {
std::string ReadWholeFile(const std::wstring& path) {
  std::string text;
  std::FILE* file = _wfopen(path.c_str(), L"rb");
  if (file == nullptr) return text;
  char chunk[4096];
  for (std::size_t got; (got = std::fread(chunk, 1, sizeof chunk, file)) > 0;) text.append(chunk, got);
  std::fclose(file);
  return text;
}

// The certificates of a PEM file, DER-encoded.
std::vector<std::vector<BYTE>> DecodePem(const std::string& pem) {
  static const std::string kBegin = "-----BEGIN CERTIFICATE-----";
  static const std::string kEnd = "-----END CERTIFICATE-----";
  std::vector<std::vector<BYTE>> certificates;
  for (std::size_t begin = pem.find(kBegin); begin != std::string::npos; begin = pem.find(kBegin, begin + 1)) {
    std::size_t end = pem.find(kEnd, begin);
    if (end == std::string::npos) break;
    std::string block = pem.substr(begin, end + kEnd.size() - begin);
    DWORD size = 0;
    if (!CryptStringToBinaryA(block.data(), static_cast<DWORD>(block.size()), CRYPT_STRING_BASE64HEADER,
                              nullptr, &size, nullptr, nullptr)) {
      continue;
    }
    std::vector<BYTE> der(size);
    if (CryptStringToBinaryA(block.data(), static_cast<DWORD>(block.size()), CRYPT_STRING_BASE64HEADER,
                             der.data(), &size, nullptr, nullptr)) {
      der.resize(size);
      certificates.push_back(std::move(der));
    }
  }
  return certificates;
}

}  // namespace

// QZ_CA_BUNDLE names a test server's own CA. WinINet takes no CA per request: it asks
// crypt32 to build the chain up to a certificate in the system's Root store, so the test
// CA goes into the current user's Root store, once per process and file. Checks stay on
// throughout. On Windows the system asks the user to confirm a new root, so nothing is
// trusted behind anyone's back. Wine 8 adds it silently to the prefix's registry, and its
// chain engine sees it at the next request: WinINet then opens qz serve's URLs, while a
// server whose certificate was not added still fails with ERROR_INTERNET_INVALID_CA.
// (Wine also trusts the host's /etc/ssl/certs, which is left as it is.) Without the
// variable nothing is added and only the machine's own roots count.
void TrustExtraCa() {
  const wchar_t* path = _wgetenv(L"QZ_CA_BUNDLE");
  if (path == nullptr || *path == L'\0') return;
  static std::mutex lock;
  static std::set<std::wstring> added;
  std::lock_guard<std::mutex> hold(lock);
  if (!added.insert(path).second) return;

  HCERTSTORE root = CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER, L"Root");
  if (root == nullptr) return;
  for (const std::vector<BYTE>& der : DecodePem(ReadWholeFile(path))) {
    CertAddEncodedCertificateToStore(root, X509_ASN_ENCODING, der.data(), static_cast<DWORD>(der.size()),
                                     CERT_STORE_ADD_USE_EXISTING, nullptr);
  }
  CertCloseStore(root, 0);
}
