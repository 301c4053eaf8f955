// qz: the command-line companion of the installer.
#include <cstdio>
#include <cstring>

#include "commands.h"

namespace {
struct Command {
  const char* name;
  int (*run)(const Args&);
  const char* usage;
};

const Command kCommands[] = {
    {"sample", RunSample, "sample --to DIR [--mb N] [--seed N]   write the deterministic sample add-on"},
    {"pack", RunPack,
     "pack --from ADDON_DIR --to SERVER_TREE [--installer-version 1.1.0.0] [--model-version 1200]"},
    {"inspect", RunInspect, "inspect --package FILE --list FILE   check a package against its list"},
#ifndef QZ_NO_SERVE
    {"serve", RunServe, "serve --root SERVER_TREE --port N [--cert FILE --key FILE] [--faults]   HTTPS on loopback"},
#endif
    {"install", RunInstall, "install --server URL --root DIR [--lang en|ru]   install the add-on into DIR"},
    {"repair", RunInstall, "repair --server URL --root DIR [--lang en|ru]    install again over an installation"},
    {"remove", RunRemove, "remove --server URL --root DIR [--lang en|ru]    delete the listed files from DIR"},
};

int Usage() {
  std::fprintf(stderr, "usage: qz COMMAND [OPTIONS]\n");
  for (const Command& command : kCommands) std::fprintf(stderr, "  qz %s\n", command.usage);
  return 2;
}
}  // namespace

int main(int argc, char** argv) {
  std::setvbuf(stdout, nullptr, _IOLBF, 1024);  // keep stdout and stderr in order in logs
  if (argc < 2) return Usage();
  for (const Command& command : kCommands) {
    if (std::strcmp(argv[1], command.name) != 0) continue;
    Args args;
    if (!args.Parse(argc, argv, 2)) return 2;
    return command.run(args);
  }
  return Usage();
}
