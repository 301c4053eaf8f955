// Environment variables for tests (QZ_SERVER, QZ_CA_BUNDLE), set and restored.
#pragma once

#include <cstdlib>
#include <string>

#include "platform/env.h"

// Sets a variable for one scope and puts the old value back afterwards.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::string& value) : name_(name) {
    const char* old = std::getenv(name);
    hadValue_ = old != nullptr;
    if (hadValue_) old_ = old;
    SetEnvironment(name, true, value);
  }
  ~ScopedEnv() { SetEnvironment(name_, hadValue_, old_); }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  const char* name_;
  bool hadValue_ = false;
  std::string old_;
};
