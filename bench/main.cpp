// Runs every benchmark side by side in one process, then prints one line per figure:
// "FIGURE name value unit", each ratio taken between benchmarks of this same run.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "bench_fixture.h"

namespace {
class RecordingReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      // A benchmark run several times counts by its median.
      bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
      if ((run.run_type != Run::RT_Iteration && !median) || run.error_occurred) continue;
      std::string name = run.benchmark_name();
      seconds[name] = run.GetAdjustedRealTime() / 1e3;  // reported in ms by our benchmarks
      auto rate = run.counters.find("bytes_per_second");
      if (rate != run.counters.end()) bytesPerSecond[name] = rate->second;
    }
  }
  std::map<std::string, double> seconds;
  std::map<std::string, double> bytesPerSecond;
};

double Find(const std::map<std::string, double>& values, const std::string& prefix) {
  for (const auto& [name, value] : values) {
    if (name.rfind(prefix, 0) == 0) return value;
  }
  return 0.0;
}

void Figure(const char* name, double value, const char* unit) {
  std::printf(value >= 100 ? "FIGURE %s %.0f %s\n" : "FIGURE %s %.3g %s\n", name, value, unit);
}

// A ratio of two benchmarks of this run; nothing when either was filtered out.
void Ratio(const char* name, double numerator, double denominator) {
  if (numerator > 0 && denominator > 0) Figure(name, numerator / denominator, "x");
}
}  // namespace

int main(int argc, char** argv) {
  if (argc == 5 && std::strcmp(argv[1], "--peak-rss-unpack") == 0) {
    return RunUnpackForPeakRss(argv[2], std::stoul(argv[3]), std::stoul(argv[4]));
  }
  // The repetitions of the benchmarks taken in random order, so that a slow spell of this
  // shared machine falls on both sides of a ratio rather than on one of them.
  std::vector<char*> args(argv, argv + argc);
  char interleave[] = "--benchmark_enable_random_interleaving=true";
  args.insert(args.begin() + 1, interleave);
  int count = static_cast<int>(args.size());
  benchmark::Initialize(&count, args.data());
  RecordingReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();

  const auto& rate = reporter.bytesPerSecond;
  double fast = Find(rate, "BM_LzwDecodeFast");
  if (fast > 0) {
    Figure("lzw_decode_mb_s", fast / 1e6, "MB/s");
    Ratio("lzw_vs_literal", fast, Find(rate, "BM_LzwDecodeLiteral"));
    Ratio("lzw_vs_memcpy", fast, Find(rate, "BM_Memcpy"));
  }
  double unpack = Find(rate, "BM_UnpackAll");
  if (unpack > 0) {
    Figure("unpack_mb_s", unpack / 1e6, "MB/s");
    Ratio("unpack_vs_one_thread", unpack, Find(rate, "BM_UnpackOneThread"));
    Ratio("unpack_vs_cp", unpack, Find(rate, "BM_CopyTree"));
    std::size_t files = Fixture().entries.size();
    Figure("unpack_peak_rss_mb", PeakRssMb(argv[0], files), "MB");
    Figure("unpack_peak_rss_mb_quarter_files", PeakRssMb(argv[0], files / 4), "MB");
  }
  InstallFigures install = MeasureInstall();
  if (install.installSeconds <= 0) {
    std::fprintf(stderr, "bench: the whole install could not be measured\n");
    return 1;
  }
  Figure("install_decoded_mb", install.decodedMb, "MB");
  Figure("install_s", install.installSeconds, "s");
  Figure("download_s", install.downloadSeconds, "s");
  Figure("copy_s", install.copySeconds, "s");
  Ratio("install_vs_download_plus_copy", install.installSeconds, install.downloadSeconds + install.copySeconds);
  Figure("install_phase_download_s", install.phaseDownload, "s");
  Figure("install_phase_split_s", install.phaseSplit, "s");
  Figure("install_phase_decoding_s", install.phaseDecoding, "s");
  Figure("install_phase_deleting_s", install.phaseDeleting, "s");
  Figure("install_peak_rss_mb", install.installPeakRssMb, "MB");
  Figure("install_package_mb", install.packageMb, "MB");
  Figure("install_peak_disk_mb", install.installPeakDiskMb, "MB");
  return 0;
}
