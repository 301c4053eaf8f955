// Adds the certificates of QZ_CA_BUNDLE, when it is set, to the trusted roots; once per
// process and file.
#pragma once

void TrustExtraCa();
