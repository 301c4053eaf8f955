#include <cstdio>

#include "commands.h"

int RunUnpack(const Args&) {
  std::fprintf(stderr, "qz: unpack is not built yet\n");  // placeholder until its change lands
  return 2;
}
