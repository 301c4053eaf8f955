// The program's own file version as its version resource states it.
#pragma once

#include <array>
#include <cstdint>

// Major, minor, build, revision from the fixed part of the running program's version
// resource; false when there is none (elsewhere than Windows there never is).
bool ReadVersionResource(std::array<std::uint32_t, 4>& parts);
