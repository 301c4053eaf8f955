// The sample add-on prepared once per benchmark run, the child-process mode that
// measures the peak memory of one unpacking, and the whole-install measurement.
#pragma once

#include <cstdint>
#include <string>

#include "app/state.h"

struct BenchFixture {
  std::string dir;  // everything lives below it: the add-on, its temporaries, the root
  StringList entries;
  std::uint64_t decodedBytes = 0;
};

const BenchFixture& Fixture();
int RunUnpackForPeakRss(const std::string& dir, std::size_t entryCount, std::size_t total);
double PeakRssMb(const char* self, std::size_t entryCount);

struct InstallFigures {
  double decodedMb = 0;
  double installSeconds = 0;  // 0 when the measurement could not be made
  double downloadSeconds = 0;
  double copySeconds = 0;
  double installPeakRssMb = 0;
  double installPeakDiskMb = 0;
  double packageMb = 0;
  double phaseDownload = 0, phaseSplit = 0, phaseDecoding = 0, phaseDeleting = 0;  // as qz printed them
};
InstallFigures MeasureInstall();
