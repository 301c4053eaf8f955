#include <windows.h>

#include "platform/fatal.h"
#include "platform/ui_port.h"
#include "platform/wide_text.h"

int LastSystemError() { return static_cast<int>(GetLastError()); }

void ReportFatalSystemError() { ReportFatalSystemError(static_cast<int>(GetLastError())); }

void ReportFatalSystemError(int code) {
  EnterFatalEnd();
  auto error = static_cast<DWORD>(code);
  wchar_t* systemText = nullptr;
  FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM, nullptr, error,
                 MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<wchar_t*>(&systemText), 0,
                 nullptr);
  std::wstring described = systemText != nullptr ? systemText : L"";
  LocalFree(systemText);
  // The box text keeps to 128 UTF-16 units as the original buffer did; longer system
  // texts are cut rather than overflowing it.
  std::string text = FatalErrorText(code, NarrowToUtf8(described));
  std::wstring wide = WidenUtf8(text);
  if (wide.size() > 127) wide.resize(127);
  Ui().ShowMessageBox({NarrowToUtf8(wide), "Error", kMbOk, BoxOwner::None});
  RunFatalCleanUp();
  ExitProcess(static_cast<UINT>(FatalExitCode(code)));
}
