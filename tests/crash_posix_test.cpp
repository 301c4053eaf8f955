// qz install, repair and remove as separate processes on a disk that fills, on files and
// folders the user may not write, and killed at moments spread over a whole install:
// every run must end with nothing of itself left under the root and no listed file cut short.
#include <gtest/gtest.h>

#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <random>
#include <thread>

#include "online/server.h"
#include "support/local_server.h"
#include "support/served_sample.h"
#include "support/temp_dir.h"
#include "vendor/server_tree.h"

extern char** environ;

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {
// qz as a child whose output (stdout and stderr) is read line by line as it comes.
class QzChild {
 public:
  // asNobody: through setpriv as user and group 65534.
  explicit QzChild(const std::vector<std::string>& arguments, bool asNobody = false) {
    std::vector<std::string> words;
    if (asNobody && ::geteuid() == 0) {
      words = {"/usr/bin/setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"};
    }
    words.push_back(QZ_TOOL_PATH);
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    int out[2];
    if (::pipe(out) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDERR_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    posix_spawn_file_actions_addclose(&actions, out[1]);
    if (::posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid_ = 0;
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    fd_ = out[0];
  }
  ~QzChild() {
    Kill();
    Wait();
  }

  // Reads until the output ends, until deadline, or until stop() holds after a new line.
  void ReadUntil(Clock::time_point deadline, const std::function<bool()>& stop = [] { return false; }) {
    while (fd_ >= 0 && Clock::now() < deadline) {
      pollfd wait{fd_, POLLIN, 0};
      if (::poll(&wait, 1, 1) <= 0) continue;
      char chunk[4096];
      ssize_t got = ::read(fd_, chunk, sizeof chunk);
      if (got <= 0) {
        ::close(fd_);
        fd_ = -1;
        return;
      }
      output.append(chunk, static_cast<std::size_t>(got));
      std::size_t before = lines.size();
      for (std::size_t end; (end = output.find('\n', lineStart_)) != std::string::npos; lineStart_ = end + 1) {
        lines.push_back({Clock::now(), output.substr(lineStart_, end - lineStart_)});
      }
      if (lines.size() > before && stop()) return;
    }
  }
  void Kill() {
    if (pid_ > 0 && !reaped_) ::kill(pid_, SIGKILL);
  }
  // The exit code, or minus the signal that ended it; the output is read to its end.
  int Wait() {
    ReadUntil(Clock::now() + std::chrono::minutes(2));
    if (pid_ > 0 && !reaped_) {
      int status = 0;
      ::waitpid(pid_, &status, 0);
      code_ = WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
      reaped_ = true;
    }
    return code_;
  }

  std::vector<std::pair<Clock::time_point, std::string>> lines;
  std::string output;

 private:
  pid_t pid_ = 0;
  int fd_ = -1;
  bool reaped_ = false;
  int code_ = -1;
  std::size_t lineStart_ = 0;
};

// A share of a phase's length.
Clock::duration Part(Clock::duration length, int k, int of) {
  return std::chrono::duration_cast<Clock::duration>(length * ((k + 0.5) / of));
}

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

// When each phase began in a run's output, and its last line; the phase reached last.
using PhaseTimes = Clock::time_point[kPhases + 1];
int PhasesSeen(const QzChild& child, PhaseTimes& begun) {
  int phase = -1;
  for (const auto& [at, line] : child.lines) {
    int next = PhaseOf(line, phase);
    if (next > phase) begun[next] = at;
    phase = std::max(phase, next);
    begun[kPhases] = at;
  }
  return phase;
}

// A tmpfs of its own for a test; Error() says why there is none.
class SmallDisk {
 public:
  explicit SmallDisk(std::uint64_t bytes) {
    std::string options = "size=" + std::to_string(bytes) + ",mode=0755";
    if (::mount("qz-test", dir_.Path().c_str(), "tmpfs", MS_NOSUID | MS_NODEV, options.c_str()) != 0) {
      error_ = std::string("cannot mount a small tmpfs here: ") + std::strerror(errno);
    }
  }
  ~SmallDisk() {
    if (error_.empty()) ::umount2(dir_.Path().c_str(), MNT_DETACH);
  }
  const std::string& Error() const { return error_; }
  std::string operator/(const std::string& relative) const { return dir_ / relative; }

 private:
  TempDir dir_;
  std::string error_;
};

// Every file below dir, relative, sorted.
std::vector<std::string> FilesBelow(const std::string& dir) {
  std::vector<std::string> files;
  for (const auto& item : fs::recursive_directory_iterator(dir)) {
    if (!item.is_directory()) files.push_back(fs::relative(item.path(), dir).generic_string());
  }
  std::sort(files.begin(), files.end());
  return files;
}

// The whole file in one read: these tests compare many megabytes after every run.
std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  std::string bytes(in ? static_cast<std::size_t>(in.tellg()) : 0, '\0');
  in.seekg(0).read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return bytes;
}

bool IsLeftover(const std::string& file) {
  return file.ends_with(kPackageFileName) || file.ends_with(".qzar") || file.ends_with(".qznew");
}

void GiveToNobody(const std::string& dir) {
  if (::geteuid() != 0) return;  // already unprivileged: the files are the runner's own
  ASSERT_EQ(::chown(dir.c_str(), 65534, 65534), 0);
  for (const auto& item : fs::recursive_directory_iterator(dir)) {
    ASSERT_EQ(::lchown(item.path().c_str(), 65534, 65534), 0) << item.path();
  }
}

const std::string kOwn = "pilot's own";

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
  int Run(const char* command, const std::string& root, bool asNobody = false) {
    QzChild child(Args(command, root), asNobody);
    int code = child.Wait();
    last = child.output;
    return code;
  }

  // A root that holds only the pilot's settings files.
  void SettingsOnly(const std::string& root) const {
    fs::remove_all(root);
    fs::create_directories(root);
    for (const std::string& file : sample.addon.unlisted) WriteFile(root + "/" + file, kOwn);
  }
  std::vector<std::string> SettingsFiles() const {
    std::vector<std::string> files = sample.addon.unlisted;
    std::sort(files.begin(), files.end());
    return files;
  }
  void ExpectSettingsUntouched(const std::string& root) const {
    for (const std::string& file : sample.addon.unlisted) {
      EXPECT_EQ(Slurp(root + "/" + file), kOwn) << file;
    }
  }
  static void ExpectNoLeftovers(const std::string& root) {
    for (const std::string& file : FilesBelow(root)) EXPECT_FALSE(IsLeftover(file)) << file;
  }
  // Every listed file under root complete; with all, every one there.
  void ExpectListedComplete(const std::string& root, bool all = false) const {
    static const std::map<std::string, std::string> addon = [&] {
      std::map<std::string, std::string> files;
      for (const std::string& entry : sample.addon.listed) files[entry] = Slurp(sample.addonDir + "/" + entry);
      return files;
    }();
    for (const auto& [entry, bytes] : addon) {
      std::string installed = root + "/" + entry;
      if (all || Exists(installed)) {
        EXPECT_TRUE(Slurp(installed) == bytes) << entry;
      }
    }
  }
  void ExpectExactTree(const std::string& root) const {
    std::vector<std::string> expected = sample.addon.listed;
    expected.insert(expected.end(), sample.addon.unlisted.begin(), sample.addon.unlisted.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(FilesBelow(root), expected);
    ExpectListedComplete(root, true);
    ExpectSettingsUntouched(root);
  }

  // Runs command on root and kills it once its output has reached phase and then
  // waitMore has returned. The phase the kill hit, or -1 when the run ended first.
  int KilledRun(const char* command, const std::string& root, int phase,
                const std::function<void(QzChild&, Clock::time_point)>& waitMore) {
    QzChild killed(Args(command, root));
    PhaseTimes seen;
    killed.ReadUntil(Clock::now() + std::chrono::minutes(1), [&] { return PhasesSeen(killed, seen) >= phase; });
    if (PhasesSeen(killed, seen) < phase) {
      ADD_FAILURE() << "the run never reached the " << kPhaseNames[phase] << ": " << killed.output;
      return -1;
    }
    waitMore(killed, seen[phase]);
    killed.Kill();
    return killed.Wait() == -SIGKILL ? PhasesSeen(killed, seen) : -1;
  }

  // A folder for roots: on a tmpfs of its own where one can be mounted, only for speed.
  std::string Place(const std::string& name) const { return scratch.Error().empty() ? scratch / name : plain / name; }

  LocalServer server;
  std::string last;  // the output of the last Run
  SmallDisk scratch{std::uint64_t{512} << 20};
  TempDir plain;
};
}  // namespace

TEST_F(CrashTest, AFullDiskEndsTheRunWithItsCodeAndLeavesNoneOfItsFiles) {
  struct Case {
    const char* name;
    double packages;  // the disk's size in packages...
    double addons;    // ...plus decoded add-ons
    int code;
    const char* text;
  };
  const Case cases[] = {
      {"during the download", 0.5, 0, 1, "File: \"Setup_Xq_730K5_QZ_x64.zip\" cannot be downloaded!"},
      {"during the split", 1.5, 0, 28, "(null) failed with error 28: No space left on device"},
      {"during the decoding", 2, 0.5, 28, "(null) failed with error 28: No space left on device"},
  };
  auto package = static_cast<double>(fs::file_size(server.Root() + ResourcePath(Resource::Package)));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SmallDisk disk(static_cast<std::uint64_t>(c.packages * package + c.addons * static_cast<double>(sample.addon.listedBytes)));
    if (!disk.Error().empty()) GTEST_SKIP() << disk.Error();
    std::string root = disk / "sim";
    fs::create_directories(root);
    EXPECT_EQ(Run("install", root), c.code);
    EXPECT_NE(last.find(c.text), std::string::npos) << last;
    ExpectNoLeftovers(root);
    ExpectListedComplete(root);
  }
}

TEST_F(CrashTest, FilesAndFoldersTheUserMayNotWriteEndTheRunWithAClearMessageAndLeaveNothing) {
  if (::geteuid() == 0 && !Exists("/usr/bin/setpriv")) GTEST_SKIP() << "no setpriv to run qz as an unprivileged user";
  struct Case {
    const char* name;
    const char* command;
    bool asNobody;
    std::function<void(const std::string&)> spoil;  // applied to an installed root
    int code;
    std::string text;
  };
  const std::string folder = "gauges/Xq_730K5_QZ";
  std::size_t inFolder = std::count_if(sample.addon.listed.begin(), sample.addon.listed.end(), [&](const auto& entry) {
    return entry.starts_with(folder + "/") && entry.find('/', folder.size() + 1) == std::string::npos;
  });
  const Case cases[] = {
      {"a repair meets a read-only file", "repair", true,
       [](const std::string& root) { fs::permissions(root + "/" + kSampleRequiredFiles[1], fs::perms::owner_read); },
       13, "(null) failed with error 13: Permission denied"},
      {"a repair meets a read-only folder", "repair", true,
       [&](const std::string& root) {
         fs::permissions(root + "/" + folder, fs::perms::owner_read | fs::perms::owner_exec);
       },
       13, "(null) failed with error 13: Permission denied"},
      {"the root may not be written", "install", true,
       [](const std::string& root) { fs::permissions(root, fs::perms::owner_read | fs::perms::owner_exec); },
       1, "File: \"Setup_Xq_730K5_QZ_x64.zip\" cannot be downloaded!"},
      {"a file stands where a folder must be made", "repair", false,
       [](const std::string& root) {
         fs::remove_all(root + "/Effects");
         WriteFile(root + "/Effects", kOwn);
       },
       20, "(null) failed with error 20: Not a directory"},
      {"a removal meets a read-only folder", "remove", true,
       [&](const std::string& root) {
         fs::permissions(root + "/" + folder, fs::perms::owner_read | fs::perms::owner_exec);
       },
       1, std::to_string(inFolder) + " of " + std::to_string(sample.addon.listed.size()) +
              " files could not be deleted! Another program may hold them open, or they are write-protected."},
  };
  std::string installed = Place("installed");
  SettingsOnly(installed);
  ASSERT_EQ(Run("install", installed), 0) << last;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string root = Place(c.name);
    CopyTree(installed, root);
    if (c.asNobody) GiveToNobody(root);
    c.spoil(root);
    EXPECT_EQ(Run(c.command, root, c.asNobody), c.code);
    EXPECT_NE(last.find(c.text), std::string::npos) << last;
    ExpectNoLeftovers(root);
    ExpectListedComplete(root);
    ExpectSettingsUntouched(root);
  }
}

// The moments are spread over each phase as an uninterrupted run timed it: the k-th of n
// falls (k + 0.5) / n of the phase's length after the phase's first line in the killed
// run's own output (half as far again when the run ended first). The phase each kill
// really hit is read from that output.
TEST_F(CrashTest, AfterAKillAnywhereTheNextInstallGivesTheExactTreeAndARemovalLeavesOnlyTheSettings) {
  constexpr int kPerPhase = 5;
  std::string root = Place("sim");
  std::string copy = Place("copy");  // the killed run's root, for the removal

  SettingsOnly(root);
  QzChild timed(Args("install", root));
  ASSERT_EQ(timed.Wait(), 0) << timed.output;
  PhaseTimes begun;
  ASSERT_EQ(PhasesSeen(timed, begun), Deletion) << timed.output;

  int hits[kPhases] = {};
  for (int phase = 0; phase < kPhases; ++phase) {
    // Should every moment fall after the phase, two more come at its very start.
    for (int k = 0; k < kPerPhase || (hits[phase] == 0 && k < kPerPhase + 2); ++k) {
      SCOPED_TRACE(std::string(kPhaseNames[phase]) + " moment " + std::to_string(k));
      Clock::duration after = k < kPerPhase ? Part(begun[phase + 1] - begun[phase], k, kPerPhase) : Clock::duration{};
      int hit = -1;
      for (int tries = 0; hit < 0 && tries < 3; ++tries, after /= 2) {  // a faster run ended first
        SettingsOnly(root);
        hit = KilledRun("install", root, phase, [&](QzChild& run, Clock::time_point start) {
          run.ReadUntil(start + after);
        });
      }
      ASSERT_GE(hit, 0) << "never killed";
      ++hits[hit];
      ExpectListedComplete(root);  // a kill cuts no file either
      fs::remove_all(copy);
      CopyTree(root, copy);

      QzChild install(Args("install", root));
      QzChild removal(Args("remove", copy));
      EXPECT_EQ(install.Wait(), 0) << install.output;
      EXPECT_EQ(removal.Wait(), 0) << removal.output;
      ExpectExactTree(root);
      EXPECT_EQ(FilesBelow(copy), SettingsFiles());
      ExpectSettingsUntouched(copy);
    }
  }
  std::string spread;
  for (int phase = 0; phase < kPhases; ++phase) {
    spread += std::string(" ") + kPhaseNames[phase] + " " + std::to_string(hits[phase]);
    EXPECT_GT(hits[phase], 0) << kPhaseNames[phase];
  }
  std::printf("kills by phase:%s\n", spread.c_str());
}

// The file's new content is shorter and different; the repair is killed while the
// decoders work, at moments spread over the decoding and once at the first change of the
// file that can be seen from outside (a target truncated first would be caught there).
TEST_F(CrashTest, ARepairKilledWhileItDecodesALargeFileLeavesItOldOrNewNeverCut) {
  constexpr int kMoments = 3;
  const std::string big = "SimObjects/Airplanes/Xarnov_730K5_QZ_x64/model/Xq730_body.mdl";
  auto content = [](std::size_t size, std::uint32_t seed) {
    std::mt19937 random(seed);
    std::string bytes(size, '\0');
    for (char& byte : bytes) byte = static_cast<char>('a' + random() % 16);
    return bytes;
  };
  const std::string older = content(8u << 20, 1), newer = content(6u << 20, 2);
  TempDir addon;
  WriteFile(addon / "Effects/fx.cfg", std::string("[fx]\r\n"));
  WriteFile(addon / big, std::vector<std::uint8_t>(newer.begin(), newer.end()));
  fs::remove_all(server.Root());
  ASSERT_TRUE(PackServerTree(addon.Path(), server.Root()).ok());
  std::string root = Place("sim");
  std::string file = root + "/" + big;
  auto putOld = [&] {
    if (Slurp(file) != older) WriteFile(file, std::vector<std::uint8_t>(older.begin(), older.end()));
  };

  putOld();
  QzChild timed(Args("repair", root));
  ASSERT_EQ(timed.Wait(), 0) << timed.output;
  ASSERT_TRUE(Slurp(file) == newer);
  PhaseTimes begun;
  ASSERT_EQ(PhasesSeen(timed, begun), Deletion) << timed.output;

  for (int k = 0; k <= kMoments; ++k) {
    SCOPED_TRACE("moment " + std::to_string(k));
    putOld();
    struct stat before {};
    ASSERT_EQ(::stat(file.c_str(), &before), 0);
    auto same = [&](const struct stat& now) {
      return now.st_ino == before.st_ino && now.st_size == before.st_size &&
             now.st_mtim.tv_sec == before.st_mtim.tv_sec && now.st_mtim.tv_nsec == before.st_mtim.tv_nsec;
    };
    KilledRun("repair", root, Decode, [&](QzChild& run, Clock::time_point start) {
      if (k < kMoments) {
        run.ReadUntil(start + Part(begun[Deletion] - begun[Decode], k, kMoments));
        return;
      }
      for (struct stat now = before; same(now) && ::stat(file.c_str(), &now) == 0;) {
        std::this_thread::sleep_for(std::chrono::microseconds(100));
      }
    });
    std::string found = Slurp(file);
    EXPECT_TRUE(found == older || found == newer) << "a file of " << found.size() << " bytes";
  }
}
