#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/fatal.h"
#include "platform/ui_port.h"

int LastSystemError() { return errno; }

void ReportFatalSystemError() { ReportFatalSystemError(errno); }

void ReportFatalSystemError(int code) {
  EnterFatalEnd();
  Ui().ShowMessageBox({FatalErrorText(code, std::strerror(code)), "Error", kMbOk, BoxOwner::None});
  RunFatalCleanUp();
  std::_Exit(FatalExitCode(code));
}
