// WinINet and URL monikers take no CA per request: they ask crypt32 to build the chain up
// to a certificate in the system's Root store. Wine 8 adds a certificate to the prefix's
// registry without asking, and its chain engine sees it at the next request.
#include <windows.h>
#include <wincrypt.h>

#include <cstdio>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "support/trust_ca.h"

namespace {
std::string ReadWholeFile(const std::string& path) {
  std::string text;
  std::FILE* file = std::fopen(path.c_str(), "rb");
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

bool TrustTestCa(const std::string& path) {
  static std::mutex lock;
  static std::set<std::string> added;
  std::lock_guard<std::mutex> hold(lock);
  if (added.count(path) != 0) return true;
  std::vector<std::vector<BYTE>> certificates = DecodePem(ReadWholeFile(path));
  if (certificates.empty()) return false;
  HCERTSTORE root = CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER, L"Root");
  if (root == nullptr) return false;
  bool all = true;
  for (const std::vector<BYTE>& der : certificates) {
    all = CertAddEncodedCertificateToStore(root, X509_ASN_ENCODING, der.data(), static_cast<DWORD>(der.size()),
                                           CERT_STORE_ADD_USE_EXISTING, nullptr) && all;
  }
  CertCloseStore(root, 0);
  if (all) added.insert(path);
  return all;
}
