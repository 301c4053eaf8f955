#include <cstdio>

#include "commands.h"

int RunPack(const Args&) {
  std::fprintf(stderr, "qz: pack is not built yet\n");  // placeholder until its change lands
  return 2;
}
