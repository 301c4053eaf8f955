#include "serve_cert.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>

#include <openssl/bn.h>
#include <openssl/err.h>
#include <openssl/pem.h>
#include <openssl/rsa.h>
#include <openssl/x509v3.h>

namespace {
std::string OpenSslError(const char* what) {
  std::string text = what;
  unsigned long code = ERR_get_error();
  if (code != 0) {
    char detail[256];
    ERR_error_string_n(code, detail, sizeof detail);
    text += ": ";
    text += detail;
  }
  ERR_clear_error();
  return text;
}

bool AddExtension(X509* cert, int nid, const char* value) {
  X509V3_CTX ctx;
  X509V3_set_ctx_nodb(&ctx);
  X509V3_set_ctx(&ctx, cert, cert, nullptr, nullptr, 0);
  X509_EXTENSION* extension = X509V3_EXT_nconf_nid(nullptr, &ctx, nid, value);
  if (extension == nullptr) return false;
  bool added = X509_add_ext(cert, extension, -1) == 1;
  X509_EXTENSION_free(extension);
  return added;
}

struct FileClose {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileClose>;

// The key is created readable by its owner only, and never over an existing file.
File OpenNewFile(const std::string& path, mode_t mode) {
  std::error_code ignored;
  std::filesystem::path parent = std::filesystem::path(path).parent_path();
  if (!parent.empty()) std::filesystem::create_directories(parent, ignored);
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
  if (fd < 0) return nullptr;
  std::FILE* file = ::fdopen(fd, "w");
  if (file == nullptr) ::close(fd);
  return File(file);
}

bool WriteIdentity(const ServerIdentity& identity, const std::string& certPath,
                   const std::string& keyPath, std::string& error) {
  File key = OpenNewFile(keyPath, 0600);
  if (!key || PEM_write_PrivateKey(key.get(), identity.key.get(), nullptr, nullptr, 0, nullptr, nullptr) != 1) {
    error = "cannot write " + keyPath;
    return false;
  }
  File cert = OpenNewFile(certPath, 0644);
  if (!cert || PEM_write_X509(cert.get(), identity.cert.get()) != 1) {
    error = "cannot write " + certPath;
    return false;
  }
  return true;
}

ServerIdentity ReadIdentity(const std::string& certPath, const std::string& keyPath, std::string& error) {
  ServerIdentity identity;
  File cert(std::fopen(certPath.c_str(), "r"));
  File key(std::fopen(keyPath.c_str(), "r"));
  if (cert) identity.cert.reset(PEM_read_X509(cert.get(), nullptr, nullptr, nullptr));
  if (key) identity.key.reset(PEM_read_PrivateKey(key.get(), nullptr, nullptr, nullptr));
  if (!identity.cert || !identity.key) {
    error = OpenSslError(("cannot read " + certPath + " and " + keyPath).c_str());
    return {};
  }
  if (X509_check_private_key(identity.cert.get(), identity.key.get()) != 1) {
    error = certPath + " does not belong to " + keyPath;
    return {};
  }
  return identity;
}
}  // namespace

ServerIdentity CreateSelfSignedIdentity(std::string& error) {
  ServerIdentity identity;
  // RSA rather than EC: every TLS stack the installer meets, Wine's included, checks it.
  identity.key.reset(EVP_RSA_gen(2048));
  identity.cert.reset(X509_new());
  X509* cert = identity.cert.get();
  if (!identity.key || cert == nullptr) {
    error = OpenSslError("cannot create a key");
    return {};
  }

  // A random serial: clients that cache certificates by issuer and serial must not
  // confuse one generated server with the next.
  std::unique_ptr<BIGNUM, decltype(&BN_free)> serial(BN_new(), BN_free);
  bool ok = serial && BN_rand(serial.get(), 63, BN_RAND_TOP_ANY, BN_RAND_BOTTOM_ANY) == 1 &&
            BN_to_ASN1_INTEGER(serial.get(), X509_get_serialNumber(cert)) != nullptr;

  X509_NAME* name = X509_get_subject_name(cert);
  const auto* commonName = reinterpret_cast<const unsigned char*>("127.0.0.1");
  const auto* organisation = reinterpret_cast<const unsigned char*>("qz serve test server");
  ok = ok && X509_set_version(cert, X509_VERSION_3) == 1 &&
       // An hour back so that a client whose clock is slightly behind accepts it.
       X509_gmtime_adj(X509_getm_notBefore(cert), -3600) != nullptr &&
       X509_gmtime_adj(X509_getm_notAfter(cert), 365L * 24 * 3600) != nullptr &&
       X509_set_pubkey(cert, identity.key.get()) == 1 &&
       X509_NAME_add_entry_by_txt(name, "O", MBSTRING_ASC, organisation, -1, -1, 0) == 1 &&
       X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC, commonName, -1, -1, 0) == 1 &&
       X509_set_issuer_name(cert, name) == 1 &&
       AddExtension(cert, NID_basic_constraints, "critical,CA:TRUE") &&
       AddExtension(cert, NID_key_usage, "critical,digitalSignature,keyEncipherment,keyCertSign") &&
       AddExtension(cert, NID_ext_key_usage, "serverAuth") &&
       AddExtension(cert, NID_subject_key_identifier, "hash") &&
       AddExtension(cert, NID_authority_key_identifier, "keyid:always") &&
       // The address also as a DNS name: Wine's crypt32 compares a host given as an IP
       // address with the DNS names only, and would refuse https://127.0.0.1 otherwise.
       AddExtension(cert, NID_subject_alt_name, "IP:127.0.0.1,DNS:127.0.0.1,DNS:localhost") &&
       X509_sign(cert, identity.key.get(), EVP_sha256()) > 0;
  if (!ok) {
    error = OpenSslError("cannot create a certificate");
    return {};
  }
  return identity;
}

ServerIdentity LoadOrCreateIdentity(const std::string& certPath, const std::string& keyPath,
                                    std::string& error) {
  if (certPath.empty() && keyPath.empty()) return CreateSelfSignedIdentity(error);
  if (certPath.empty() || keyPath.empty()) {
    error = "--cert and --key go together";
    return {};
  }
  std::error_code ignored;
  bool haveCert = std::filesystem::exists(certPath, ignored);
  bool haveKey = std::filesystem::exists(keyPath, ignored);
  if (haveCert && haveKey) return ReadIdentity(certPath, keyPath, error);
  if (haveCert || haveKey) {
    // Replacing half a pair would silently break every client that trusts the old one.
    error = "only one of " + certPath + " and " + keyPath + " exists";
    return {};
  }
  ServerIdentity identity = CreateSelfSignedIdentity(error);
  if (!identity.cert || !WriteIdentity(identity, certPath, keyPath, error)) return {};
  return identity;
}
