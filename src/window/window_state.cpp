#include "window/window_state.h"

#include <map>

HINSTANCE g_hInstance = nullptr;
HWND g_hMainWnd = nullptr;
HWND g_hProgressBar = nullptr, g_hFinishButton = nullptr, g_hCancelButton = nullptr, g_hNextButton = nullptr,
     g_hBackButton = nullptr, g_hChangeButton = nullptr;
HANDLE g_instanceMutex = nullptr;
wchar_t g_windowTitle[100];
wchar_t g_windowClassName[100];
std::atomic<bool> g_windowAlive{false};

namespace {
// Written once by WM_CREATE before any worker exists, read-only afterwards.
std::map<Control, HWND> g_controls;
}

HWND ControlWindow(Control control) {
  auto found = g_controls.find(control);
  return found != g_controls.end() ? found->second : nullptr;
}

void SetControlWindow(Control control, HWND window) {
  g_controls[control] = window;
  switch (control) {
    case Control::ProgressBar: g_hProgressBar = window; break;
    case Control::Finish: g_hFinishButton = window; break;
    case Control::Cancel: g_hCancelButton = window; break;
    case Control::Next: g_hNextButton = window; break;
    case Control::Back: g_hBackButton = window; break;
    case Control::Change: g_hChangeButton = window; break;
    default: break;
  }
}
