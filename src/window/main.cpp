// The installer's entry point: the start-up order and the message loop, nothing else.
#include <windows.h>

#include <random>

#include "app/state.h"
#include "licence/licence_texts.h"
#include "window/main_window.h"
#include "window/win32_ui.h"
#include "window/window_state.h"
#include "wizard/window_data.h"

namespace {
constexpr int kTitleString = 103, kClassNameString = 109, kAccelerators = 109;
constexpr const wchar_t* kCaption = L"Xq-730 QZ Installer v1.1";  // before string 103 is loaded

// Ends the process without static destructors: a worker the user cancelled may still be
// running, and must never meet a destroyed list or a window that is gone.
[[noreturn]] void EndProcess(UINT code) {
  TerminateProcess(GetCurrentProcess(), code);
  ExitProcess(code);  // not reached
}

int RunMessageLoop(HINSTANCE instance) {
  HACCEL accelerators = LoadAcceleratorsW(instance, MAKEINTRESOURCEW(kAccelerators));
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0)) {
    if (TranslateAcceleratorW(message.hwnd, accelerators, &message) == 0) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
  return static_cast<int>(message.wParam);
}
}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
  g_random.seed(std::random_device{}());
  g_instanceMutex = CreateMutexW(nullptr, FALSE, L"MutexXq730Installer");
  if (GetLastError() == ERROR_ALREADY_EXISTS) {
    MessageBoxW(nullptr, L"Приложение уже запущено!\nThe application is already running!", kCaption,
                MB_OK | MB_ICONINFORMATION);
    return 0;
  }
  if (MessageBoxW(nullptr,
                  L"Запустить приложение на Русском языке?\nLaunch the application in Russian?\n\nYes -> RU\nNo -> EN",
                  kCaption, MB_YESNO | MB_ICONQUESTION) == IDNO) {
    g_russian = false;
  }
  LoadStringW(instance, kTitleString, g_windowTitle, 100);
  LoadStringW(instance, kClassNameString, g_windowClassName, 100);
  SetLicence(ProductLicence());
  static Win32Ui ui;
  SetUi(&ui);
  RegisterMainWindowClass(instance);
  if (!CreateMainWindow(instance, showCommand)) EndProcess(0);
  EndProcess(static_cast<UINT>(RunMessageLoop(instance)));
}
