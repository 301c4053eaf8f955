#include "support/served_sample.h"

#include <algorithm>
#include <map>
#include <memory>

#include "online/server.h"
#include "vendor/server_tree.h"

const ServedSample& SampleOfSize(std::uint64_t bytes) {
  static std::map<std::uint64_t, std::unique_ptr<ServedSample>> samples;
  std::unique_ptr<ServedSample>& sample = samples[bytes];
  if (!sample) {
    sample = std::make_unique<ServedSample>();
    sample->addon = GenerateSampleAddon(sample->addonDir, bytes, 7);
    ServerTreeResult packed = PackServerTree(sample->addonDir, sample->treeDir);
    if (!sample->addon.ok() || !packed.ok()) sample->addon.error += packed.error + " (sample not made)";
  }
  return *sample;
}

std::size_t ServedSample::IdenticalListedFiles(const std::string& root) const {
  auto there = [&root](const std::string& entry) { return Exists(root + "/" + entry); };
  return std::count_if(addon.listed.begin(), addon.listed.end(), there) - CutListedFiles(root).size();
}

std::vector<std::string> ServedSample::CutListedFiles(const std::string& root) const {
  std::vector<std::string> cut;
  for (const std::string& entry : addon.listed) {
    std::string installed = root + "/" + entry;
    if (Exists(installed) && ReadFile(installed) != ReadFile(addonDir + "/" + entry)) cut.push_back(entry);
  }
  return cut;
}

std::vector<std::string> ServedSample::LeftBehind(const std::string& root) const {
  std::vector<std::string> left = CutListedFiles(root);
  for (const std::string& file : FilesBelow(root)) {
    if (file.ends_with(kPackageFileName) || file.ends_with(".qzar") || file.ends_with(".qznew")) left.push_back(file);
  }
  return left;
}
