// WinINet and URL monikers take no CA per request: they ask crypt32 to build the chain up
// to a certificate in the system's Root store. Wine 8 adds a certificate to the prefix's
// registry without asking, and its chain engine sees it at the next request.
#include <windows.h>
#include <wincrypt.h>

#include <fstream>
#include <iterator>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "support/trust_ca.h"

bool TrustTestCa(const std::string& path) {
  static std::mutex lock;
  static std::set<std::string> added;
  std::lock_guard<std::mutex> hold(lock);
  if (added.count(path) != 0) return true;
  std::ifstream file(path, std::ios::binary);
  const std::string pem{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
  std::vector<BYTE> der(pem.size());  // the base64 is longer than the DER it holds
  auto size = static_cast<DWORD>(der.size());
  if (!CryptStringToBinaryA(pem.data(), size, CRYPT_STRING_BASE64HEADER, der.data(), &size, nullptr, nullptr)) {
    return false;
  }
  HCERTSTORE root = CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER, L"Root");
  if (root == nullptr) return false;
  bool trusted = CertAddEncodedCertificateToStore(root, X509_ASN_ENCODING, der.data(), size,
                                                  CERT_STORE_ADD_USE_EXISTING, nullptr);
  CertCloseStore(root, 0);
  if (trusted) added.insert(path);
  return trusted;
}
