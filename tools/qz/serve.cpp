#include <cstdio>

#include "commands.h"

int RunServe(const Args&) {
  std::fprintf(stderr, "qz: serve is not built yet\n");  // placeholder until its change lands
  return 2;
}
