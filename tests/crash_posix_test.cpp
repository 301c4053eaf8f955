// qz install, repair and remove as separate processes on a disk that fills, on files and
// folders the user may not write, and killed at moments spread over a whole install:
// every run must end with nothing of itself left under the root and no listed file cut short.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <tuple>
#include <utility>

#include "online/server.h"
#include "support/local_server.h"
#include "support/served_sample.h"
#include "support/temp_dir.h"
#include "vendor/server_tree.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {
// The install's phases as qz's output shows them: each starts at its first line.
enum Phase { Download, Split, Decode, Deletion, kPhases };
constexpr const char* kPhaseNames[kPhases] = {"download", "split", "decoding", "deletion"};

int PhaseOf(const std::string& line, int current) {
  if (line.starts_with("Downloading archive")) return Download;
  if (line == "Unpacking files...") return Split;
  if (current == Split && line.ends_with("%")) return Decode;  // the bar follows the decoders only
  if (line == "Deleting temporary files...") return Deletion;
  return current;
}

// qz as a child whose output (stdout and stderr) is read line by line as it comes, and
// the phases seen in it; asNobody runs it through setpriv as user and group 65534.
class QzChild {
 public:
  explicit QzChild(std::vector<std::string> words, bool asNobody = false) {
    words.insert(words.begin(), QZ_TOOL_PATH);
    if (asNobody && ::geteuid() == 0) {
      words.insert(words.begin(), {"/usr/bin/setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"});
    }
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    int out[2];
    if (::pipe2(out, O_CLOEXEC) != 0) return;  // no other child may hold this one's pipe open
    if ((pid_ = ::fork()) == 0) {
      ::dup2(out[1], STDOUT_FILENO);
      ::dup2(out[1], STDERR_FILENO);
      ::execv(argv[0], argv.data());
      ::_exit(127);
    }
    ::close(out[1]);
    fd_ = out[0];
  }
  ~QzChild() {
    Kill();
    Wait();
  }

  // Reads until the output ends, until deadline, or until stop() holds after a read.
  void ReadUntil(Clock::time_point deadline, const std::function<bool()>& stop = [] { return false; }) {
    while (fd_ >= 0 && Clock::now() < deadline) {
      pollfd wait{fd_, POLLIN, 0};
      if (::poll(&wait, 1, 1) <= 0) continue;
      char chunk[4096];
      ssize_t got = ::read(fd_, chunk, sizeof chunk);
      if (got <= 0) return (void)::close(std::exchange(fd_, -1));
      output.append(chunk, static_cast<std::size_t>(got));
      for (std::size_t end; (end = output.find('\n', lineStart_)) != std::string::npos; lineStart_ = end + 1) {
        int next = PhaseOf(output.substr(lineStart_, end - lineStart_), phase);
        begun[kPhases] = Clock::now();
        if (next > phase) begun[next] = begun[kPhases];
        phase = std::max(phase, next);
      }
      if (stop()) return;
    }
  }
  void Kill(int signal = SIGKILL) {
    if (pid_ > 0) ::kill(pid_, signal);
  }
  // The exit code, or minus the signal that ended it (-1 once reaped); the output is read to its end.
  int Wait() {
    ReadUntil(Clock::now() + std::chrono::minutes(2));
    int status = 0;
    // Reaped once: its number may go to another process.
    if (pid_ <= 0 || ::waitpid(std::exchange(pid_, 0), &status, 0) < 0) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
  }

  std::string output;
  int phase = -1;                          // the phase reached last
  Clock::time_point begun[kPhases + 1]{};  // when each phase began, and the last line came

 private:
  pid_t pid_ = 0;
  int fd_ = -1;
  std::size_t lineStart_ = 0;
};

// A tmpfs of its own for a test, of so many bytes and, where inodes is set, so many
// files and folders; error says why there is none.
struct SmallDisk {
  explicit SmallDisk(std::uint64_t bytes, std::uint64_t inodes = 0) {
    std::string options = "size=" + std::to_string(bytes) + ",mode=0755";
    if (inodes != 0) options += ",nr_inodes=" + std::to_string(inodes);
    if (::mount("qz-test", dir.Path().c_str(), "tmpfs", MS_NOSUID | MS_NODEV, options.c_str()) != 0) {
      error = std::string("cannot mount a small tmpfs here: ") + std::strerror(errno);
    }
  }
  ~SmallDisk() {
    if (error.empty()) ::umount2(dir.Path().c_str(), MNT_DETACH);
  }
  TempDir dir;
  std::string error;
};

const std::vector<std::uint8_t> kOwn{'p', 'i', 'l', 'o', 't'};  // the pilot's own settings

class CrashTest : public ::testing::Test {
 protected:
  const ServedSample& sample = SampleOfSize(4u << 20);

  void SetUp() override {
    if (std::string reason = LocalServer::Unavailable(); !reason.empty()) GTEST_SKIP() << reason;
    ASSERT_TRUE(sample.addon.ok()) << sample.addon.error;
    CopyTree(sample.treeDir, server.Root());
    ASSERT_TRUE(server.Start()) << server.Error();
  }

  std::vector<std::string> Args(const char* command, const std::string& root) const {
    return {command, "--server", server.BaseUrl(), "--root", root};
  }

  // A root that holds only the pilot's settings files.
  void SettingsOnly(const std::string& root) const {
    fs::remove_all(root);
    fs::create_directories(root);
    for (const std::string& file : sample.addon.unlisted) WriteFile(root + "/" + file, kOwn);
  }
  // No package, temporary or sibling left, no listed file cut short, the settings as they were.
  void ExpectCleanEnd(const std::string& root) const {
    EXPECT_EQ(sample.LeftBehind(root), std::vector<std::string>{});
    for (const std::string& file : sample.addon.unlisted) EXPECT_EQ(ReadFile(root + "/" + file), kOwn) << file;
  }

  // Runs command on root and sends it signal once its output has reached phase, after more
  // has passed, and once until holds (for 20 s at most). The exit code (minus the signal
  // that ended it) and the phase the signal hit.
  std::pair<int, int> KilledRun(const char* command, const std::string& root, int phase, Clock::duration after,
                                const std::function<bool()>& until = [] { return true; }, int signal = SIGKILL) {
    QzChild killed(Args(command, root));
    killed.ReadUntil(Clock::now() + std::chrono::minutes(1), [&] { return killed.phase >= phase; });
    if (killed.phase < phase) {
      ADD_FAILURE() << "the run never reached the " << kPhaseNames[phase] << ": " << killed.output;
      return {-1, -1};
    }
    killed.ReadUntil(killed.begun[phase] + after);
    for (int i = 0; i < 200000 && !until(); ++i) std::this_thread::sleep_for(std::chrono::microseconds(100));
    EXPECT_TRUE(until()) << "the moment never came";
    killed.Kill(signal);
    return {killed.Wait(), killed.phase};
  }

  // A folder for roots: on a tmpfs of its own where one can be mounted (else a plain
  // folder), only for speed.
  std::string Place(const std::string& name) const { return scratch.dir / name; }

  LocalServer server;
  SmallDisk scratch{std::uint64_t{512} << 20};
};
}  // namespace

// The removal's count of files that stayed is WorkerTest's.
TEST_F(CrashTest, AFullDiskOrWhatTheUserMayNotWriteEndsTheRunWithItsCodeAndMessageAndLeavesNothing) {
  if (::geteuid() == 0 && !Exists("/usr/bin/setpriv")) GTEST_SKIP() << "no setpriv to run qz as an unprivileged user";
  std::string installed = Place("installed");
  SettingsOnly(installed);
  QzChild install(Args("install", installed));
  ASSERT_EQ(install.Wait(), 0) << install.output;
  const auto package = fs::file_size(server.Root() + ResourcePath(Resource::Package));
  // What the split leaves: the disk's own root, the root, the package, and the folders and
  // files of an installed root (a temporary in each listed file's place).
  const std::uint64_t splitFiles = 3 + FilesBelow(installed, true).size();
  const std::string noDownload = "File: \"Setup_Xq_730K5_QZ_x64.zip\" cannot be downloaded!";
  const std::string denied = "(null) failed with error 13: Permission denied";
  const std::string full = "(null) failed with error 28: No space left on device";
  struct Case {
    const char* name;
    const char* command;
    bool asNobody;
    std::string spoiled;  // in a copy of an installed root: made read-only for nobody, else a file in its place
    std::uint64_t disk = 0, inodes = 0;  // else a root of the settings alone on a tmpfs of this size
    int code;
    std::string text;
  };
  const Case cases[] = {
      {"a repair meets a read-only file", "repair", true, kSampleRequiredFiles[1], 0, 0, 13, denied},
      {"the root may not be written", "install", true, "", 0, 0, 1, noDownload},
      {"a file stands where a folder must be made", "repair", false, "Effects", 0, 0, 20,
       "(null) failed with error 20: Not a directory"},
      {"a full disk during the download", "install", false, "", package / 2, 0, 1, noDownload},
      {"a full disk during the split", "install", false, "", package * 3 / 2, 0, 28, full},
      // Each temporary goes once its file is in place, so that bytes alone could not be
      // sized to fit the split and not the decoding: no file more than the split leaves.
      {"a full disk during the decoding", "install", false, "", 2 * package + sample.addon.listedBytes, splitFiles,
       28, full},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string root = Place(c.name);
    std::optional<SmallDisk> disk;
    if (c.disk != 0) {
      disk.emplace(c.disk, c.inodes);
      if (!disk->error.empty()) GTEST_SKIP() << disk->error;
      root = disk->dir / "sim";
      SettingsOnly(root);
    } else {
      std::string spoiled = root + "/" + c.spoiled;
      CopyTree(installed, root);
      if (c.asNobody) {
        // An unprivileged runner owns the files already.
        ASSERT_EQ(::geteuid() == 0 ? std::system(("chown -R 65534:65534 '" + root + "'").c_str()) : 0, 0);
        fs::permissions(spoiled, fs::perms::owner_read | fs::perms::owner_exec);
      } else {
        fs::remove_all(spoiled);
        WriteFile(spoiled, kOwn);
      }
    }
    QzChild run(Args(c.command, root), c.asNobody);
    EXPECT_EQ(run.Wait(), c.code);
    EXPECT_NE(run.output.find(c.text), std::string::npos) << run.output;
    ExpectCleanEnd(root);
  }
}

TEST_F(CrashTest, SigtermCancelsLikeCtrlCAndDeletesThePackage) {
  server.SetFault(ResourcePath(Resource::Package), "drip 2000");  // slow enough to be caught mid-way
  std::string root = Place("sim");
  SettingsOnly(root);
  auto downloading = [&] { return Exists(root + "/" + kPackageFileName); };
  EXPECT_EQ(KilledRun("install", root, Download, {}, downloading, SIGTERM), std::pair(130, +Download));
  ExpectCleanEnd(root);
}

// The moments are spread over each phase as an uninterrupted run timed it: the k-th of n
// falls (k + 0.5) / n of the phase's length after the phase's first line in the killed
// run's own output (half as far again when the run ended first). The phase each kill
// really hit is read from that output. That a removal deletes each kind of file a killed
// run leaves is WorkerTest's.
TEST_F(CrashTest, AfterAKillAnywhereTheNextInstallGivesTheExactTree) {
  constexpr int kPerPhase = 5;
  std::string root = Place("sim");
  // The files of a root with the add-on beside the settings: the add-on's own but its index.
  std::vector<std::string> whole = FilesBelow(sample.addonDir);
  std::erase(whole, kUnlistedIndexName);

  SettingsOnly(root);
  QzChild timed(Args("install", root));
  ASSERT_EQ(timed.Wait(), 0) << timed.output;
  ASSERT_EQ(timed.phase, Deletion) << timed.output;
  const auto& begun = timed.begun;

  int hits[kPhases] = {};
  for (int phase = 0; phase < kPhases; ++phase) {
    // Should every moment fall after the phase, two more come at its very start.
    for (int k = 0; k < kPerPhase || (hits[phase] == 0 && k < kPerPhase + 2); ++k) {
      SCOPED_TRACE(std::string(kPhaseNames[phase]) + " moment " + std::to_string(k));
      Clock::duration after = (begun[phase + 1] - begun[phase]) * (2 * k + 1) / (2 * kPerPhase);
      if (k >= kPerPhase) after = {};
      std::pair<int, int> run;  // the exit code and the phase the kill hit
      for (int tries = 0; run.first != -SIGKILL && tries < 3; ++tries, after /= 2) {  // a faster run ended first
        SettingsOnly(root);
        run = KilledRun("install", root, phase, after);
      }
      ASSERT_EQ(run.first, -SIGKILL) << "never killed";
      ++hits[run.second];
      EXPECT_EQ(sample.CutListedFiles(root), std::vector<std::string>{});  // a kill cuts no file either
      QzChild install(Args("install", root));
      EXPECT_EQ(install.Wait(), 0) << install.output;
      EXPECT_EQ(FilesBelow(root), whole);
      ExpectCleanEnd(root);
    }
  }
  for (int phase = 0; phase < kPhases; ++phase) EXPECT_GT(hits[phase], 0) << kPhaseNames[phase];
}

// The file's new content is shorter and different. The repair is killed at the first change
// of the file that can be seen from outside, while the decoders work: a target truncated or
// written in place is caught there every time, where a kill at a moment picked by time would
// only now and then fall inside the write.
TEST_F(CrashTest, ARepairKilledWhileItDecodesALargeFileLeavesItOldOrNewNeverCut) {
  const std::string big = "SimObjects/Airplanes/Xarnov_730K5_QZ_x64/model/Xq730_body.mdl";
  std::mt19937 random(730);
  std::vector<std::uint8_t> older(8u << 20), newer(6u << 20);
  for (auto* bytes : {&older, &newer}) {
    for (std::uint8_t& byte : *bytes) byte = static_cast<std::uint8_t>('a' + random() % 16);
  }
  TempDir addon;
  WriteFile(addon / "Effects/fx.cfg", std::string("[fx]\r\n"));
  WriteFile(addon / big, newer);
  fs::remove_all(server.Root());
  ASSERT_TRUE(PackServerTree(addon.Path(), server.Root()).ok());
  std::string root = Place("sim");
  std::string file = root + "/" + big;
  WriteFile(file, older);
  auto look = [&] {  // what can be seen of the file from outside
    struct stat now {};
    ::stat(file.c_str(), &now);
    return std::tuple(now.st_ino, now.st_size, now.st_mtim.tv_sec, now.st_mtim.tv_nsec);
  };
  const auto before = look();

  EXPECT_EQ(KilledRun("repair", root, Decode, {}, [&] { return look() != before; }).first, -SIGKILL)
      << "the repair ended first";
  std::vector<std::uint8_t> found = ReadFile(file);
  EXPECT_TRUE(found == older || found == newer) << "a file of " << found.size() << " bytes";
}
