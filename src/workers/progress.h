// The bar and the taskbar of a worker's own phases, on the 0..1000 scale.
#pragma once

#include <cstdint>

#include "online/taskbar_progress.h"

// done of total, truncated. With nothing to do there is nothing left either: an empty
// job counts as complete.
std::int32_t Position(std::int32_t done, std::int32_t total);

// Moves the progress bar and the worker's taskbar to position.
void ShowPosition(TaskBarProgress& taskbar, std::int32_t position);
