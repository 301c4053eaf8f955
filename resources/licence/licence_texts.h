// The licence agreement the program carries, compiled in from the text files beside
// this header by cmake/licence.cmake. The front end installs it with SetLicence().
#pragma once

#include "wizard/window_data.h"

const LicenceTexts& ProductLicence();
