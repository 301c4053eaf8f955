#include <cstdio>

#include "commands.h"

int RunInspect(const Args&) {
  std::fprintf(stderr, "qz: inspect is not built yet\n");  // placeholder until its change lands
  return 2;
}
