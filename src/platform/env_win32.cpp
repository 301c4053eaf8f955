#include <cstdlib>

#include "platform/env.h"

void SetEnvironment(const char* name, bool present, const std::string& value) {
  // An empty value removes the variable on Windows.
  _putenv_s(name, present ? value.c_str() : "");
}
