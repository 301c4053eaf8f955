// Environment variables for tests (QZ_SERVER, QZ_CA_BUNDLE), set and restored.
#pragma once

#include <cstdlib>
#include <optional>
#include <string>

#include "platform/env.h"

// Sets a variable for one scope and puts the old value back afterwards.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::string& value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    SetEnvironment(name, true, value);
  }
  ~ScopedEnv() { SetEnvironment(name_, old_.has_value(), old_.value_or("")); }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  const char* name_;
  std::optional<std::string> old_;  // none: the variable was not set
};
