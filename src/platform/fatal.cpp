#include "platform/fatal.h"

#include <atomic>
#include <mutex>

namespace {
std::atomic<void (*)()> g_fatalCleanUp{nullptr};
std::mutex g_fatalEnd;
}  // namespace

std::string FatalErrorText(int code, const std::string& systemText) {
  // The operation name is never passed; a null string argument renders as "(null)".
  return "(null) failed with error " + std::to_string(code) + ": " + systemText;
}

int FatalExitCode(int code) { return code != 0 ? code : 1; }

void SetFatalCleanUp(void (*cleanUp)()) { g_fatalCleanUp = cleanUp; }

void EnterFatalEnd() {
  g_fatalEnd.lock();  // never unlocked: the exit of the holder ends the waiting threads too
  RunFatalCleanUp();
}

void RunFatalCleanUp() {
  if (void (*cleanUp)() = g_fatalCleanUp.load()) cleanUp();
}
