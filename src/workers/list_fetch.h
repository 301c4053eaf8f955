// The file list as the split and the removal fetch it: one place decides when a fetched
// text may be acted on, and shows why when it may not.
#pragma once

// Fetches the list into buffer (kListCapacity bytes, zeroed first). True when it holds a
// whole list to parse, g_bytesRead its length; otherwise its message has been shown: "No
// internet connection!" when the transfer failed or broke off, "File "List" not found!"
// when the reply was no list (an error status, a redirect off HTTPS, longer than the
// buffer, or not beginning with "Effec").
bool FetchListText(char* buffer);
