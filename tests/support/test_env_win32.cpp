#include <cstdlib>

#include "support/test_env.h"

void SetTestEnv(const char* name, bool present, const std::string& value) {
  // An empty value removes the variable on Windows.
  _putenv_s(name, present ? value.c_str() : "");
}
