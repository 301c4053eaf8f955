// The one main window: its class, its creation centred on the screen, and its window
// procedure, which hands each message to the construction, the painter or the wizard.
#pragma once

#include <windows.h>

void RegisterMainWindowClass(HINSTANCE instance);
// True when the window exists and has been shown.
bool CreateMainWindow(HINSTANCE instance, int showCommand);
