// The test harness's side of trust on Windows: the program itself never touches the
// system's trusted roots, so the tests put their server's CA into the (scratch) Wine
// prefix before they talk to it.
#pragma once

#include <string>

// Adds the (first) certificate of the PEM file at path, as qz serve writes it, to the
// current user's Root store, once per process and file. False when the file holds none or
// the store cannot be opened.
bool TrustTestCa(const std::string& path);
