// The file list: CR LF separated paths relative to the simulator root, beginning with
// "Effec". It is the only index of the package (record k belongs to entry k) and
// names every file that an install writes and a removal deletes.
#pragma once

#include <cstdint>
#include <string>

#include "app/state.h"
#include "package/unpack.h"  // the temporaries' and siblings' suffixes

// The fetched text is a list only if its first five bytes are "Effec".
bool HasListLead(const char* text);

// Splits length bytes of text into entries and appends them to list. CR ends an entry
// and the byte after it is skipped unseen; a lone LF is an ordinary character.
void ParseFileList(StringList& list, const char* text, std::uint32_t length);

// Entries come from the network, so every one must stay inside the root and fit its
// buffers before anything is created. One place holds all those rules.
enum class EntryProblem { None, Unsafe, TooLong, Conflict };
struct ListVerdict {
  EntryProblem problem = EntryProblem::None;
  std::string entry;  // the first entry at fault
};
ListVerdict CheckFileList(const StringList& list, const char* root);
void ShowListVerdict(const ListVerdict& verdict);  // bilingual box owned by the main window

// "%s/%s" of root and relative into a zeroed buffer; false (buffer left empty) when the
// result would not fit in 259 characters. Never cuts a path.
bool FormatRootPath(char (&out)[kPathCapacity], const char* root, const std::string& relative);

// Cuts a relative path back to before its last '/'.
void CutToFolder(std::string& path);

// Makes sure g_dirPaths[i] exists under root, creating missing parents first.
void CreateEntryDirectory(std::uint32_t i, const char* root);

// Rebuilds g_tempRelPaths, g_dirPaths, g_tempFiles and g_targetFiles from g_fileList
// and creates every entry's folder under g_simRoot. False when a path does not fit
// (CheckFileList has already refused such lists).
bool PrepareEntryPaths();

