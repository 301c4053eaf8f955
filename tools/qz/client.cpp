// qz install | repair | remove: the headless client on the installer's own workers. The
// main thread plays the window thread: it runs the taskbar step every 100 ms and turns
// Ctrl+C and SIGTERM into a confirmed Cancel.
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <future>
#include <random>
#include <string>
#include <thread>

#include "app/state.h"
#include "commands.h"
#include "online/download.h"
#include "online/transfer_pace.h"
#include "platform/env.h"
#include "platform/fs.h"
#include "terminal_ui.h"
#include "workers/cleanup.h"
#include "workers/install_worker.h"
#include "workers/uninstall_worker.h"

namespace {
std::atomic<bool> g_interrupted{false};

void OnInterrupt(int) { g_interrupted = true; }

// The root as the wizard stores it: '/' separators, no trailing '/', at most 259 bytes.
bool SetRoot(std::string root) {
  for (char& c : root) c = c == '\\' ? '/' : c;
  while (root.size() > 1 && root.back() == '/') root.pop_back();
  if (root.empty() || root.size() >= kPathCapacity) return false;
  std::memset(g_simRoot, 0, sizeof g_simRoot);
  std::snprintf(g_simRoot, sizeof g_simRoot, "%s", root.c_str());
  return true;
}

bool Prepare(const Args& args) {
  std::string server = args.Require("server");
  std::string root = args.Require("root");
  if (server.empty() || root.empty()) return false;
  SetEnvironment("QZ_SERVER", true, server);
  ResetInstallerState();  // takes the package address from the server just set
  g_random.seed(std::random_device{}());  // as the program does: each run its own "?rnd="
  g_russian = args.GetOr("lang", "en") == "ru";
  // For the tests of a stalling server, which cannot wait a minute per case.
  std::string window = args.GetOr("stall-seconds", "");
  if (!window.empty()) {
    char* end = nullptr;
    long seconds = std::strtol(window.c_str(), &end, 10);
    if (*end != '\0' || seconds < 1 || seconds > 3600) {
      std::fprintf(stderr, "qz: --stall-seconds must be 1..3600\n");
      return false;
    }
    SetStallWindowSeconds(static_cast<int>(seconds));
  }
  if (!SetRoot(root) || !PathExists(g_simRoot)) {
    std::fprintf(stderr, "qz: the root folder must exist and its path be shorter than %zu bytes\n", kPathCapacity);
    return false;
  }
  return true;
}

// Runs the worker as the window would, until it ends or Ctrl+C cancels it.
int RunJob(const Args& args, Page page, void (*worker)()) {
  if (!Prepare(args)) return 2;
  TerminalUi ui;
  std::signal(SIGINT, OnInterrupt);
  std::signal(SIGTERM, OnInterrupt);
  g_page = page;
  ui.Repaint();
  // Waited for, not polled: the end is seen at once, not up to a tick later.
  std::promise<void> end;
  std::future<void> ended = end.get_future();
  std::thread job([&] {
    worker();
    end.set_value();
  });
  bool cancelled = false;
  while (ended.wait_for(std::chrono::milliseconds(100)) != std::future_status::ready) {
    TaskbarTick();
    if (g_interrupted.exchange(false)) {
      if (g_cancelBlocked) {
        std::fprintf(stderr, "\nqz: the temporary files are being deleted; this cannot be cancelled\n");
      } else {
        std::fprintf(stderr, "\nqz: cancelling\n");
        CancelCleanUp();
        cancelled = true;
        break;
      }
    }
  }
  // The window would go now; here the job is given its end, so that nothing it writes
  // after the clean-up stays behind.
  job.join();
  if (cancelled) DeletePackageAndTemporaries();
  TaskbarTick();
  std::signal(SIGINT, SIG_DFL);
  std::signal(SIGTERM, SIG_DFL);
  if (cancelled) return 130;
  if (g_page != PageFinished) {
    std::fprintf(stderr, "qz: %s did not finish\n", page == PageRemoving ? "the removal" : "the installation");
    return 1;
  }
  std::printf("qz: %s finished in %s\n", page == PageRemoving ? "removal" : "installation", g_simRoot);
  if (page != PageRemoving) {
    InstallPhaseTimes times = LastInstallPhaseTimes();
    std::printf("qz: phases: download %.3f s, split %.3f s, decoding %.3f s, deleting %.3f s\n", times.download,
                times.split, times.decoding, times.deleting);
  }
  return 0;
}
}  // namespace

int RunInstall(const Args& args) { return RunJob(args, PageInstalling, InstallWorker); }
int RunRemove(const Args& args) { return RunJob(args, PageRemoving, UninstallWorker); }
