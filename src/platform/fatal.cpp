#include "platform/fatal.h"

std::string FatalErrorText(int code, const std::string& systemText) {
  // The operation name is never passed; a null string argument renders as "(null)".
  return "(null) failed with error " + std::to_string(code) + ": " + systemText;
}
