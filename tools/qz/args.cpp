#include "args.h"

#include <cstdio>

bool Args::Parse(int argc, char** argv, int first) {
  for (int i = first; i < argc; ++i) {
    std::string word = argv[i];
    if (word.rfind("--", 0) != 0) {
      std::fprintf(stderr, "qz: unexpected argument '%s'\n", word.c_str());
      return false;
    }
    bool hasValue = i + 1 < argc && std::string(argv[i + 1]).rfind("--", 0) != 0;
    values_[word.substr(2)] = hasValue ? argv[++i] : "";
  }
  return true;
}

std::optional<std::string> Args::Get(const std::string& name) const {
  auto found = values_.find(name);
  if (found == values_.end()) return std::nullopt;
  return found->second;
}

std::string Args::Require(const std::string& name) const {
  auto value = Get(name);
  if (!value || value->empty()) {
    std::fprintf(stderr, "qz: --%s is required\n", name.c_str());
    return "";
  }
  return *value;
}

std::string Args::GetOr(const std::string& name, const std::string& fallback) const {
  return Get(name).value_or(fallback);
}
