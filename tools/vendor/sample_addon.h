// A deterministic stand-in for the vendor's add-on: an aircraft tree of textures,
// configuration text, model data and sound, the same bytes for the same arguments on
// every platform, so that packages, benchmarks and end-to-end runs can be rebuilt
// anywhere without shipping the real files.
//
// By bytes the tree is roughly 40 % 24-bit BMP textures, 25 % cfg/xml/text, 20 % binary
// model data and 15 % noise-like data (sounds, DDS blobs); sizes run from a few bytes to
// several MB. Every path is ASCII with '/' separators and under 150 characters, every
// listed path lies in a folder, and no file is empty. The three files by which the
// installer recognises an installation are always present (kSampleRequiredFiles), and
// so are user settings files that the file list must not name: they are written to the
// tree and named, one per line, in kUnlistedIndexName at the add-on root.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

// The index of user files that the file list leaves out; it is never listed itself.
constexpr const char* kUnlistedIndexName = "qz-unlisted.txt";

constexpr const char* kSampleRequiredFiles[3] = {
    "Effects/texture/fx_xq_k5_qz_light.bmp",
    "SimObjects/Airplanes/Xarnov_730K5_QZ_x64/aircraft.cfg",
    "gauges/Xq_730K5_QZ/RSBN_DAT.cfg",
};

struct SampleAddon {
  std::string error;                  // empty when the tree was written
  std::vector<std::string> listed;    // relative paths in file-list order
  std::vector<std::string> unlisted;  // the user files named by kUnlistedIndexName
  std::uint64_t listedBytes = 0;      // sum of the listed files: the decoded add-on size
  std::uint64_t totalBytes = 0;       // every byte written, the index included
  bool ok() const { return error.empty(); }
};

// Writes the sample add-on of about totalBytes into dir, which must be missing or empty
// (stale files from another run would end up in the package). Small totals still get
// the required and user files, so the tree can come out larger than asked.
SampleAddon GenerateSampleAddon(const std::filesystem::path& dir, std::uint64_t totalBytes,
                                std::uint32_t seed);
