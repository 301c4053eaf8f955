// The file list as the split and the removal fetch it: one place decides when a fetched
// text may be acted on, and shows why when it may not.
#pragma once

// Fetches the list into buffer (kListCapacity bytes, zeroed first). True when it holds a
// list to parse, g_bytesRead its length; otherwise its message has been shown.
bool FetchListText(char* buffer);
