#include "window/main_window.h"

#include <commctrl.h>
#include <uxtheme.h>

#include "app/state.h"
#include "platform/wide_text.h"
#include "window/paint.h"
#include "window/resources_win32.h"
#include "window/window_state.h"
#include "wizard/page_machine.h"
#include "wizard/version_check.h"
#include "wizard/window_data.h"

namespace {
constexpr UINT_PTR kTimerId = 1;
constexpr UINT kTimerPeriodMs = 100;
constexpr int kClassIcon = 107, kClassSmallIcon = 108, kMenuAndAccelerators = 109;

void SetUpProgressBar(HWND bar) {
  SendMessageW(bar, PBM_SETRANGE, 0, MAKELPARAM(0, g_progressScale));
  SendMessageW(bar, PBM_SETSTEP, kProgressStep, 0);
  SetWindowTheme(bar, L"", L"");  // without visual styles, so that the colours below apply
  SendMessageW(bar, PBM_SETBARCOLOR, 0, kProgressBarColour);
  SendMessageW(bar, PBM_SETBKCOLOR, 0, kProgressBackColour);
}

void CreateControls(HWND window) {
  // The progress bar's class lives in the common controls, which must be loaded first.
  INITCOMMONCONTROLSEX classes{sizeof classes, ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&classes);
  for (const ControlSpec& spec : WizardControls()) {
    std::wstring caption = WidenUtf8(g_russian ? spec.russian : spec.english);
    HWND control = CreateWindowExW(spec.exStyle, WidenUtf8(spec.className).c_str(), caption.c_str(), spec.style,
                                   spec.x, spec.y, spec.width, spec.height, window,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(spec.id)), g_hInstance, nullptr);
    SetControlWindow(spec.control, control);
    if (control == nullptr) continue;  // a control that is missing does not appear
    if (spec.control == Control::ProgressBar) SetUpProgressBar(control);
    if (spec.checked) SendMessageW(control, BM_SETCHECK, BST_CHECKED, 0);
    if (spec.icon != 0) {
      HICON icon = LoadIconW(g_hInstance, MAKEINTRESOURCEW(spec.icon));
      SendMessageW(control, BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(icon));
    }
  }
  for (Control control : FontSettingOrder()) {
    SendMessageW(ControlWindow(control), WM_SETFONT, reinterpret_cast<WPARAM>(FontHandle(ControlSpecOf(control).font)),
                 TRUE);
  }
}

void OnCreate(HWND window) {
  g_hMainWnd = window;
  g_windowAlive = true;
  LoadPictures(g_russian);
  CreateFonts();
  std::u16string licence = AssembleLicenceText(g_russian ? Licence().russian : Licence().english);
  CreateControls(window);
  SetWindowTextW(ControlWindow(Control::LicenceText), reinterpret_cast<const wchar_t*>(licence.c_str()));
  CheckInstallerVersion();
  SetTimer(window, kTimerId, kTimerPeriodMs, nullptr);
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE:
      OnCreate(window);
      return 0;
    case WM_DESTROY:
      g_windowAlive = false;
      PostQuitMessage(0);
      KillTimer(window, kTimerId);
      return 0;
    case WM_PAINT:
      PaintMainWindow(window);
      return 0;
    case WM_ERASEBKGND:
      return 1;  // the paint fills the whole client area itself
    case WM_CLOSE:
    case WM_KEYDOWN:
    case WM_COMMAND:
    case WM_TIMER:
      if (WizardMessage(message, LOWORD(wParam)) == Handling::Done) return 0;
      break;
    default:
      break;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}
}  // namespace

void RegisterMainWindowClass(HINSTANCE instance) {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.style = CS_HREDRAW | CS_VREDRAW;
  windowClass.lpfnWndProc = WindowProc;
  windowClass.hInstance = instance;
  windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(kClassIcon));
  windowClass.hIconSm = LoadIconW(instance, MAKEINTRESOURCEW(kClassSmallIcon));
  windowClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_MENU + 1));
  windowClass.lpszMenuName = MAKEINTRESOURCEW(kMenuAndAccelerators);
  windowClass.lpszClassName = g_windowClassName;
  RegisterClassExW(&windowClass);
}

bool CreateMainWindow(HINSTANCE instance, int showCommand) {
  g_hInstance = instance;
  // The platform's frame decides the outer size that holds the pictures and buttons.
  RECT needed{0, 0, kClientNeededWidth, kClientNeededHeight};
  AdjustWindowRectEx(&needed, kMainWindowStyle, FALSE, 0);
  WindowPlacement place = PlaceMainWindow(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN),
                                          needed.right - needed.left, needed.bottom - needed.top);
  HWND window = CreateWindowExW(0, g_windowClassName, g_windowTitle, kMainWindowStyle, place.x, place.y, place.width,
                                place.height, nullptr, nullptr, instance, nullptr);
  if (window == nullptr) return false;
  g_hMainWnd = window;
  ShowWindow(window, showCommand);
  UpdateWindow(window);
  return true;
}
