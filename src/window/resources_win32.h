// The pictures, fonts and print icon of the window: loaded once in WM_CREATE and kept
// until the process ends.
#pragma once

#include <windows.h>

#include "wizard/window_data.h"

// The chosen language's pictures. The 64 x 64 pictures with alpha are loaded as DIB
// sections so that AlphaBlend sees their alpha whatever the screen's depth.
void LoadPictures(bool russian);
HBITMAP PictureHandle(int resource);

void CreateFonts();
HFONT FontHandle(Font font);
