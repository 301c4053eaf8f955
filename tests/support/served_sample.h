// The sample add-on and its server tree, made once per size for the whole test run.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "support/temp_dir.h"
#include "vendor/sample_addon.h"

struct ServedSample {
  TempDir dir;
  SampleAddon addon;  // addon.error says why there is none
  std::string addonDir = dir / "addon";
  std::string treeDir = dir / "tree";
  // How many listed files under root are byte for byte those of the add-on.
  std::size_t IdenticalListedFiles(const std::string& root) const;
  // The listed files under root that are there but not byte for byte the add-on's.
  std::vector<std::string> CutListedFiles(const std::string& root) const;
  // What no run may leave under root: a package, temporary or decoded sibling, or a cut file.
  std::vector<std::string> LeftBehind(const std::string& root) const;
};

const ServedSample& SampleOfSize(std::uint64_t bytes);
