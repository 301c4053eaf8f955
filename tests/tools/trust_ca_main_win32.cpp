// qz_trust_ca CERT.pem: puts a test server's CA into the Wine prefix's Root store, for the
// scripts that run the Windows qz against a native qz serve.
#include "support/trust_ca.h"

int main(int argc, char** argv) { return argc == 2 && TrustTestCa(argv[1]) ? 0 : 1; }
