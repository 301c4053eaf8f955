// Sets (present) or removes an environment variable of this process.
#pragma once

#include <string>

void SetEnvironment(const char* name, bool present, const std::string& value);
