// Case-insensitive names of the Windows file systems: two narrow paths in the system's
// code page name the same file there when their keys are equal.
#pragma once

#include <string>

// The path with its letters folded to upper case. On Windows the system's ANSI code page
// tells which bytes are letters; elsewhere the path is read as Windows-1251, the code
// page of the add-on's Russian users, so that a list checked here holds on their systems.
std::string PathCaseKey(const std::string& path);
