// A whole `qz install` of a sample add-on of over 200 MB from qz serve on loopback,
// against downloading the same package alone (curl) plus copying the decoded tree
// (cp -r); the install's phases as qz prints them, its peak memory and the peak disk use
// of its file system. Each step runs as its own process, the best of three rounds, with
// the disk settled (sync) before each.
#include <signal.h>
#include <sys/statvfs.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <regex>
#include <thread>

#include "bench_fixture.h"
#include "online/server.h"
#include "vendor/sample_addon.h"
#include "vendor/server_tree.h"

namespace fs = std::filesystem;

namespace {
struct ChildRun {
  double seconds = -1;
  double peakRssMb = 0;
  double peakDiskMb = 0;  // the most the file system's free space fell below its start
  std::string output;
};

std::uint64_t FreeBytes(const std::string& path) {
  struct statvfs info {};
  return ::statvfs(path.c_str(), &info) == 0 ? std::uint64_t{info.f_bavail} * info.f_frsize : 0;
}

// Runs argv as a child process of its own and measures its wall time, its peak memory and
// (looked at every millisecond) the disk use it adds to the file system of `disk`.
ChildRun Spawn(std::vector<std::string> argv, const std::string& disk) {
  // The peak memory through time(1): a child forked straight from this large process
  // counts the pages it shares with it until its exec in its own peak.
  std::string rssPath = disk + "/child-rss.txt";
  argv.insert(argv.begin(), {"/usr/bin/time", "-f", "%M", "-o", rssPath});
  std::vector<char*> pointers;
  for (std::string& word : argv) pointers.push_back(word.data());
  pointers.push_back(nullptr);
  std::string outputPath = disk + "/child-output.txt";
  ::sync();
  std::fflush(nullptr);  // a forked child would print this process's buffered lines again
  std::uint64_t freeAtStart = FreeBytes(disk), leastFree = freeAtStart;
  auto start = std::chrono::steady_clock::now();
  pid_t pid = ::fork();
  if (pid == 0) {
    std::freopen(outputPath.c_str(), "w", stdout);
    std::freopen("/dev/null", "w", stderr);
    ::execvp(pointers[0], pointers.data());
    std::_Exit(127);
  }
  int status = 0;
  while (::waitpid(pid, &status, WNOHANG) == 0) {
    leastFree = std::min(leastFree, FreeBytes(disk));
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  ChildRun run;
  if (WIFEXITED(status) && WEXITSTATUS(status) == 0) {
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    double kib = 0;
    std::ifstream(rssPath) >> kib;
    run.peakRssMb = kib / 1024.0;
    run.peakDiskMb = static_cast<double>(freeAtStart - leastFree) / 1e6;
    std::ifstream in(outputPath);
    run.output.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  return run;
}

// "qz: phases: download 0.901 s, split 0.210 s, decoding 0.512 s, deleting 0.203 s"
bool ReadPhases(const std::string& output, InstallFigures& figures) {
  std::size_t at = output.find("qz: phases:");
  return at != std::string::npos &&
         std::sscanf(output.c_str() + at, "qz: phases: download %lf s, split %lf s, decoding %lf s, deleting %lf s",
                     &figures.phaseDownload, &figures.phaseSplit, &figures.phaseDecoding, &figures.phaseDeleting) == 4;
}

// qz serve over the tree, on a free port; its address once it has printed it.
std::string StartServer(const std::string& dir, const std::string& tree, pid_t& pid) {
  std::string log = dir + "/serve.log";
  std::string command = std::string("'") + QZ_TOOL_PATH + "' serve --root '" + tree + "' --port 0 --cert '" + dir +
                        "/cert.pem' --key '" + dir + "/key.pem' > '" + log + "' 2>&1 & echo $!";
  FILE* shell = popen(command.c_str(), "r");
  long child = 0;
  if (shell == nullptr || std::fscanf(shell, "%ld", &child) != 1) return {};
  pclose(shell);
  pid = static_cast<pid_t>(child);
  std::regex address("https://127\\.0\\.0\\.1:[0-9]+");
  for (int attempt = 0; attempt < 300; ++attempt) {
    std::ifstream in(log);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::smatch found;
    if (std::regex_search(text, found, address)) return found.str();
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  return {};
}

// Keeps the fastest run so far; a failed run stays, so that the failure is seen.
void KeepBest(std::optional<ChildRun>& best, ChildRun run) {
  if (!best || run.seconds < 0 || (best->seconds >= 0 && run.seconds < best->seconds)) best = std::move(run);
}
}  // namespace

InstallFigures MeasureInstall() {
  InstallFigures figures;
  std::string dir = Fixture().dir + "/install";
  fs::remove_all(dir);
  std::string addon = dir + "/addon", tree = dir + "/tree", root = dir + "/root", copy = dir + "/copy";
  SampleAddon sample = GenerateSampleAddon(addon, std::uint64_t{210} << 20, 731);
  if (!sample.ok() || !PackServerTree(addon, tree).ok()) return figures;
  figures.decodedMb = static_cast<double>(sample.listedBytes) / 1e6;

  pid_t server = 0;
  std::string url = StartServer(dir, tree, server);
  if (url.empty()) return figures;
  ::setenv("QZ_CA_BUNDLE", (dir + "/cert.pem").c_str(), 1);

  // Three rounds of the three steps, each step's best kept: a slow spell of the machine
  // falls on all of them alike.
  std::optional<ChildRun> install, download, copied;
  for (int round = 0; round < 3; ++round) {
    fs::remove_all(root);
    fs::create_directories(root);
    KeepBest(install, Spawn({QZ_TOOL_PATH, "install", "--server", url, "--root", root}, dir));
    KeepBest(download, Spawn({"curl", "-sS", "--fail", "--cacert", dir + "/cert.pem", "-o", dir + "/package.zip",
                              url + ResourcePath(Resource::Package) + "?rnd=10"},
                             dir));
    fs::remove_all(copy);
    KeepBest(copied, Spawn({"cp", "-r", addon, copy}, dir));
  }
  ::kill(server, SIGTERM);
  if (install->seconds < 0 || download->seconds < 0 || copied->seconds < 0 || !ReadPhases(install->output, figures)) {
    return figures;
  }
  figures.installSeconds = install->seconds;
  figures.downloadSeconds = download->seconds;
  figures.copySeconds = copied->seconds;
  figures.installPeakRssMb = install->peakRssMb;
  figures.installPeakDiskMb = install->peakDiskMb;
  figures.packageMb = static_cast<double>(fs::file_size(dir + "/package.zip")) / 1e6;
  fs::remove_all(dir);
  return figures;
}
