// The simulator root folder: the Change button's dialog and the test for an existing
// installation by its three marker files.
#pragma once

#include <array>
#include <string>

// The marker suffixes, in the order they are tested.
constexpr std::array<const char*, 3> kMarkerSuffixes = {
    "/gauges/Xq_730K5_QZ/RSBN_DAT.cfg",
    "/SimObjects/Airplanes/Xarnov_730K5_QZ_x64/aircraft.cfg",
    "/Effects/texture/fx_xq_k5_qz_light.bmp",
};

// Asks for a folder; a file-system folder replaces g_simRoot with '\' turned into '/',
// the available-space line is measured anew and the window is repainted. Cancel
// changes nothing; an item without a path (or one too long to store) is refused with a
// warning and the old folder stays.
void BrowseForSimRoot();

// True when a marker file exists under g_simRoot. A marker whose path would not fit in
// 259 characters counts as absent.
bool IsAddonInstalled();
