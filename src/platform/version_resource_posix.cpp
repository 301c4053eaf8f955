#include "platform/version_resource.h"

bool ReadVersionResource(std::array<std::uint32_t, 4>&) { return false; }
