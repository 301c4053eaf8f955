// Options of the qz subcommands: "--name value" pairs and bare "--flag"s.
#pragma once

#include <map>
#include <optional>
#include <string>

class Args {
 public:
  // Parses argv from index first on; false (with a message on stderr) for a stray word.
  bool Parse(int argc, char** argv, int first);
  std::optional<std::string> Get(const std::string& name) const;
  std::string Require(const std::string& name) const;  // empty and a message when missing
  std::string GetOr(const std::string& name, const std::string& fallback) const;

 private:
  std::map<std::string, std::string> values_;
};
