// The Win32 side of the installer state: the module, the window and the controls the
// workers reach, and the start-up texts. The core reaches controls only through the port.
#pragma once

#include <windows.h>

#include <atomic>

#include "platform/ui_port.h"

extern HINSTANCE g_hInstance;
extern HWND g_hMainWnd;
extern HWND g_hProgressBar, g_hFinishButton, g_hCancelButton, g_hNextButton, g_hBackButton, g_hChangeButton;
extern HANDLE g_instanceMutex;
extern wchar_t g_windowTitle[100];
extern wchar_t g_windowClassName[100];

// True from WM_CREATE until WM_DESTROY: workers still running after the window is gone
// must not reach it.
extern std::atomic<bool> g_windowAlive;

// A control's window by its key in the control table; null before WM_CREATE made it.
HWND ControlWindow(Control control);
void SetControlWindow(Control control, HWND window);
