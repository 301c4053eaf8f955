#include "window/win32_ui.h"

#include <windows.h>
#include <commctrl.h>

#include "platform/dialogs_win32.h"
#include "platform/wide_text.h"
#include "window/window_state.h"

namespace {
// The control's window while the main window lives; null afterwards.
HWND Live(Control control) { return g_windowAlive ? ControlWindow(control) : nullptr; }
}  // namespace

int Win32Ui::ShowMessageBox(const MessageBoxRequest& request) {
  HWND owner = nullptr;
  if (request.owner == BoxOwner::MainWindow) {
    if (!g_windowAlive) return kIdCancel;  // the user has closed the program
    owner = g_hMainWnd;
  }
  return MessageBoxW(owner, WidenUtf8(request.text).c_str(), WidenUtf8(request.caption).c_str(), request.flags);
}

void Win32Ui::ShowControl(Control control, bool visible) {
  if (HWND window = Live(control)) ShowWindow(window, visible ? SW_SHOW : SW_HIDE);
}

void Win32Ui::EnableControl(Control control, bool enabled) {
  if (HWND window = Live(control)) EnableWindow(window, enabled ? TRUE : FALSE);
}

void Win32Ui::CheckControl(Control control, bool checked) {
  if (HWND window = Live(control)) SendMessageW(window, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

bool Win32Ui::IsControlChecked(Control control) {
  HWND window = Live(control);
  return window != nullptr && SendMessageW(window, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void Win32Ui::SetProgressPos(int position) {
  if (HWND bar = Live(Control::ProgressBar)) SendMessageW(bar, PBM_SETPOS, static_cast<WPARAM>(position), 0);
}

void Win32Ui::Repaint() {
  if (!g_windowAlive) return;
  InvalidateRect(g_hMainWnd, nullptr, TRUE);
  UpdateWindow(g_hMainWnd);
}

void Win32Ui::DestroyMainWindow() {
  if (g_windowAlive) DestroyWindow(g_hMainWnd);
}

std::optional<std::string> Win32Ui::BrowseForFolder(const std::string& title, unsigned flags) {
  return ShowFolderDialog(MainWindow(), title, flags);
}

PrinterChoice Win32Ui::ChoosePrinter() { return ShowPrintDialog(MainWindow()); }

void* Win32Ui::MainWindow() { return g_windowAlive ? g_hMainWnd : nullptr; }
