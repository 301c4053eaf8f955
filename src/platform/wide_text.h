// UTF-8 <-> UTF-16 for the Win32 calls; the core keeps its texts in UTF-8.
#pragma once

#include <string>

std::wstring WidenUtf8(const std::string& text);
std::string NarrowToUtf8(const std::wstring& text);
