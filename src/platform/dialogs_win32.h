// The shell's folder dialog and the common print dialog, for the UI ports on Windows.
#pragma once

#include <optional>
#include <string>

#include "platform/ui_port.h"

// SHBrowseForFolder owned by owner (an HWND, may be null), with a UTF-8 title. A folder
// whose path the system's narrow code page cannot spell comes back empty, like an item
// without a path: spelt with '?' it would name another folder.
std::optional<std::string> ShowFolderDialog(void* owner, const std::string& title, unsigned flags);

// PrintDlgEx owned by owner (it needs a window), returning a device context and asking
// for no page numbers.
PrinterChoice ShowPrintDialog(void* owner);

// A path in the system's narrow code page; empty when a character has no spelling there.
std::string NarrowPathOrEmpty(const std::wstring& path);

// The print device over a printer's device context, which it deletes at the end.
std::unique_ptr<PrintDevice> PrintDeviceForDc(void* dc);
