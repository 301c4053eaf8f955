// WM_PAINT: the page's display list executed with GDI into an off-screen bitmap, then
// copied to the window with one BitBlt, so that the many repaints of a download do not
// flicker.
#pragma once

#include <windows.h>

void PaintMainWindow(HWND window);
