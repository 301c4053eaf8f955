// Unpacking the sample add-on: the four workers against one thread and against cp -r
// of the decoded tree, plus the peak memory of an unpacking in a process of its own.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include "bench_fixture.h"
#include "vendor/lzw_encoder.h"
#include "package/unpack.h"
#include "vendor/sample_addon.h"
#include "workers/decoders.h"
#include "workers/file_list.h"

namespace fs = std::filesystem;

namespace {
// The decoders delete each temporary once its file is in place: every unpacking starts
// from the split's temporaries again, linked from a copy that nothing deletes. The last
// unpacking's files go too, so that every unpacking is a first install, as cp -r gets an
// empty folder: replacing files would bill the freeing of the old ones to the decoders,
// which on a disk mounted with discard is synchronous.
void UseRoot(const std::string& dir, const StringList& entries) {
  std::string root = dir + "/root";
  for (const std::string& entry : entries) {
    std::string temporary = root + "/" + entry + kTempSuffix;
    fs::remove(root + "/" + entry);
    fs::remove(temporary);
    fs::create_hard_link(dir + "/temporaries/" + entry + kTempSuffix, temporary);
  }
  ResetInstallerState();
  std::snprintf(g_simRoot, sizeof g_simRoot, "%s", root.c_str());
  g_fileList = entries;
}

// Each iteration starts with the previous one's writes on disk, so that the kernel's
// write-back of one iteration is not billed to the next (or to another benchmark).
void Settle(benchmark::State& state) {
  state.PauseTiming();
  ::sync();
  state.ResumeTiming();
}

void UnpackAndWait() {
  if (!UnpackAll()) std::abort();
  // A short sleep, not a spin: on two cores a spinning waiter takes a share of a core
  // from the four decoding threads.
  while (!PollUnpack().allDone) std::this_thread::sleep_for(std::chrono::microseconds(500));
}
}  // namespace

const BenchFixture& Fixture() {
  static const BenchFixture fixture = [] {
    BenchFixture made;
    // QZ_BENCH_DIR moves the fixture, e.g. onto tmpfs to take the disk out of the figures.
    const char* place = std::getenv("QZ_BENCH_DIR");
    made.dir = (place != nullptr ? fs::path(place) : fs::temp_directory_path() / "qz-bench").generic_string();
    fs::remove_all(made.dir);
    SampleAddon addon = GenerateSampleAddon(made.dir + "/addon", std::uint64_t{64} << 20, 730);
    if (!addon.ok()) {
      std::fprintf(stderr, "bench: %s\n", addon.error.c_str());
      std::exit(1);
    }
    made.entries = addon.listed;
    std::ofstream list(made.dir + "/entries.txt");
    for (const std::string& entry : made.entries) list << entry << '\n';
    made.decodedBytes = addon.listedBytes;
    // The temporaries exactly as the split leaves them: one stream per entry.
    for (const std::string& entry : made.entries) {
      std::ifstream in(made.dir + "/addon/" + entry, std::ios::binary);
      std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
      std::vector<std::uint8_t> stream = LzwEncode(bytes);
      fs::create_directories(fs::path(made.dir + "/root/" + entry).parent_path());
      fs::create_directories(fs::path(made.dir + "/temporaries/" + entry).parent_path());
      std::ofstream(made.dir + "/temporaries/" + entry + kTempSuffix, std::ios::binary)
          .write(reinterpret_cast<const char*>(stream.data()), static_cast<std::streamsize>(stream.size()));
    }
    return made;
  }();
  return fixture;
}

static void BM_UnpackAll(benchmark::State& state) {
  const BenchFixture& fixture = Fixture();
  for (auto _ : state) {
    state.PauseTiming();
    UseRoot(fixture.dir, fixture.entries);
    state.ResumeTiming();
    Settle(state);
    UnpackAndWait();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * fixture.decodedBytes));
}
BENCHMARK(BM_UnpackAll)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(0.5)->Repetitions(7)->ReportAggregatesOnly(true);

static void BM_UnpackOneThread(benchmark::State& state) {
  const BenchFixture& fixture = Fixture();
  for (auto _ : state) {
    state.PauseTiming();
    UseRoot(fixture.dir, fixture.entries);
    state.ResumeTiming();
    Settle(state);
    PrepareEntryPaths();
    std::atomic<bool> done{false};
    std::atomic<std::int32_t> progress{0}, failures{0};
    UnpackShare(g_tempFiles, g_targetFiles, done, progress, failures);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * fixture.decodedBytes));
}
BENCHMARK(BM_UnpackOneThread)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(0.5)->Repetitions(7)->ReportAggregatesOnly(true);

static void BM_CopyTree(benchmark::State& state) {
  const BenchFixture& fixture = Fixture();
  std::string command = "cp -r '" + fixture.dir + "/addon' '" + fixture.dir + "/copy'";
  for (auto _ : state) {
    state.PauseTiming();
    fs::remove_all(fixture.dir + "/copy");
    state.ResumeTiming();
    Settle(state);
    if (std::system(command.c_str()) != 0) state.SkipWithError("cp -r failed");
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * fixture.decodedBytes));
}
BENCHMARK(BM_CopyTree)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(0.5)->Repetitions(7)->ReportAggregatesOnly(true);

// Runs in a child process so that its peak covers the unpacking alone.
// Every step-th entry, so that a smaller count keeps the same mix of sizes.
int RunUnpackForPeakRss(const std::string& dir, std::size_t entryCount, std::size_t total) {
  StringList entries;
  std::ifstream list(dir + "/entries.txt");
  std::size_t step = std::max<std::size_t>(1, total / std::max<std::size_t>(1, entryCount));
  std::size_t index = 0;
  for (std::string entry; std::getline(list, entry); ++index) {
    if (index % step == 0 && entries.size() < entryCount) entries.push_back(entry);
  }
  UseRoot(dir, entries);
  UnpackAndWait();
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  std::printf("%ld\n", usage.ru_maxrss);  // KiB
  return 0;
}

double PeakRssMb(const char* self, std::size_t entryCount) {
  std::string command = std::string("'") + self + "' --peak-rss-unpack '" + Fixture().dir + "' " +
                        std::to_string(entryCount) + " " + std::to_string(Fixture().entries.size());
  FILE* child = popen(command.c_str(), "r");
  long kib = 0;
  if (child == nullptr || std::fscanf(child, "%ld", &kib) != 1) kib = -1;
  if (child != nullptr) pclose(child);
  return static_cast<double>(kib) / 1024.0;
}
