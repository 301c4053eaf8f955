// The end of the process when an output file cannot be created or mapped: one box,
// "(null) failed with error N: <system text>", caption "Error", no owner, then exit
// with the system error code. Nothing is cleaned up.
#pragma once

#include <string>

[[noreturn]] void ReportFatalSystemError();

// Text of that box for an error code and the system's description of it.
std::string FatalErrorText(int code, const std::string& systemText);
