#include <cstdlib>

#include "support/test_env.h"

void SetTestEnv(const char* name, bool present, const std::string& value) {
  if (present) {
    ::setenv(name, value.c_str(), 1);
  } else {
    ::unsetenv(name);
  }
}
