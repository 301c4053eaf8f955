#include <cstdlib>

#include "platform/env.h"

void SetEnvironment(const char* name, bool present, const std::string& value) {
  if (present) {
    ::setenv(name, value.c_str(), 1);
  } else {
    ::unsetenv(name);
  }
}
