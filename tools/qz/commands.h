// The qz subcommands; each returns the process exit code.
#pragma once

#include "args.h"

int RunPack(const Args& args);     // --from ADDON_DIR --to SERVER_TREE [--installer-version] [--model-version]
int RunInspect(const Args& args);  // --package FILE --list FILE
// --root SERVER_TREE --port N [--cert FILE --key FILE] [--faults (see serve_faults.h)]
int RunServe(const Args& args);
int RunSample(const Args& args);   // --to DIR [--mb N] [--seed N]
// --server URL --root DIR [--lang en|ru] [--stall-seconds N (tests: the window below the
// speed floor before a transfer fails, 60 by default)]: the installer's install (also a
// repair) or removal
int RunInstall(const Args& args);
int RunRemove(const Args& args);
