// qz unpack: the install pipeline after the download, on the very same code: fetch the
// list, cut the package already in the root into temporaries, decode them on four
// threads, then delete the package and the temporaries.
#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>

#include "app/state.h"
#include "commands.h"
#include "online/server.h"
#include "package/container.h"
#include "package/unpack.h"
#include "terminal_ui.h"
#include "workers/cleanup.h"
#include "workers/file_list.h"

namespace {
bool SetRoot(std::string root) {
  for (char& c : root) c = c == '\\' ? '/' : c;
  while (root.size() > 1 && root.back() == '/') root.pop_back();
  if (root.size() >= kPathCapacity) return false;
  std::memset(g_simRoot, 0, sizeof g_simRoot);
  std::snprintf(g_simRoot, sizeof g_simRoot, "%s", root.c_str());
  std::lock_guard<std::mutex> hold(g_pathsLock);
  return FormatRootPath(g_packagePath, g_simRoot, kPackageFileName);
}

UnpackStatus FollowWorkers(TerminalUi& ui) {
  for (;;) {
    UnpackStatus status = PollUnpack();
    int position = status.total == 0 ? 1000 : static_cast<int>(status.finished * 1000.0 / status.total);
    ui.ShowProgress("unpacking", position);
    if (status.allDone) {
      ui.EndProgress();
      return status;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
}
}  // namespace

int RunUnpack(const Args& args) {
  std::string root = args.Require("root");
  if (root.empty()) return 2;
  g_russian = args.GetOr("lang", "en") == "ru";
  TerminalUi ui;
  if (!SetRoot(root)) {
    std::fprintf(stderr, "qz: the root folder's path is too long\n");
    return 2;
  }
  std::printf("list:    %s\npackage: %s\n", ServerUrl(Resource::FileList).c_str(), g_packagePath);
  auto start = std::chrono::steady_clock::now();
  SplitResult split = SplitPackage();
  if (split != SplitResult::Done) {
    DeletePackageAndTemporaries();
    std::fprintf(stderr, "qz: the package could not be split; nothing was unpacked\n");
    return 1;
  }
  std::printf("split:   %zu entries into temporaries\n", g_fileList.size());
  if (!UnpackAll()) return 1;
  UnpackStatus status = FollowWorkers(ui);
  DeletePackageAndTemporaries();
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("unpack:  %d of %d files written into %s in %.2f s on %d threads\n", status.finished - status.failed,
              status.total, g_simRoot, seconds, kWorkerCount);
  if (status.failed != 0) {
    std::fprintf(stderr, "qz: %d files could not be unpacked\n", status.failed);
    return 1;
  }
  return 0;
}
