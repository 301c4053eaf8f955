#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/fatal.h"
#include "platform/ui_port.h"

void ReportFatalSystemError() {
  int code = errno;
  Ui().ShowMessageBox({FatalErrorText(code, std::strerror(code)), "Error", kMbOk, BoxOwner::None});
  std::_Exit(code);
}
