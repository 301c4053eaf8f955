// The sample add-on and its server tree, made once per size for the whole test run.
#pragma once

#include <cstdint>
#include <string>

#include "support/temp_dir.h"
#include "vendor/sample_addon.h"

struct ServedSample {
  TempDir dir;
  SampleAddon addon;  // addon.error says why there is none
  std::string addonDir = dir / "addon";
  std::string treeDir = dir / "tree";
  // How many listed files under root are byte for byte those of the add-on.
  std::size_t IdenticalListedFiles(const std::string& root) const;
};

const ServedSample& SampleOfSize(std::uint64_t bytes);
