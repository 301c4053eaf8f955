// The test server's TLS identity: a self-signed certificate that is also its own CA, so
// that a client can trust exactly this server by naming the certificate file.
#pragma once

#include <memory>
#include <string>

#include <openssl/evp.h>
#include <openssl/x509.h>

struct X509Free {
  void operator()(X509* cert) const { X509_free(cert); }
};
struct PkeyFree {
  void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }
};

struct ServerIdentity {
  std::unique_ptr<X509, X509Free> cert;
  std::unique_ptr<EVP_PKEY, PkeyFree> key;
};

// Reads the PEM pair when both files exist; creates and writes a new pair when neither
// does; with both paths empty, makes one in memory. On failure returns an empty identity
// and fills error.
ServerIdentity LoadOrCreateIdentity(const std::string& certPath, const std::string& keyPath,
                                    std::string& error);

// A new RSA 2048 certificate for 127.0.0.1 and localhost, CA:TRUE, valid for a year.
ServerIdentity CreateSelfSignedIdentity(std::string& error);
