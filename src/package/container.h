// The package container: a 10-byte magic, then one record per file-list entry in list
// order: '[', the payload length as 32-bit little-endian, ']', the payload (one LZW
// stream). No count, no index, no checksum: every rule about untrusted package bytes
// is in ReadRecordHeader.
#pragma once

#include <cstdint>

constexpr std::uint8_t kPackageMagic[10] = {'Q', 'Z', 'a', 'r', '!', '2', '0', '2', '4', 0xA9};
constexpr std::uint32_t kPackageMagicSize = sizeof kPackageMagic;
constexpr std::uint32_t kRecordHeaderSize = 6;

enum class RecordCheck {
  Ok,
  NoOpenBracket,    // the byte at the record's start is not '['
  NoCloseBracket,   // the length is not followed by ']'
  HeaderPastEnd,    // fewer than 6 bytes left for the header
  PayloadPastEnd,   // the payload would run past the end of the package
};

// Checks the record at pos of a package of size bytes and reads its payload length.
// Never reads a byte at or past size.
RecordCheck ReadRecordHeader(const std::uint8_t* package, std::uint32_t size, std::uint32_t pos,
                             std::uint32_t& payloadLength);

enum class SplitResult {
  Done,
  NoList,         // the list could not be fetched, or the text is not a file list
  UnsafeList,     // an entry could reach outside the root, or its path does not fit
  NoPackage,      // the package cannot be opened or mapped, or holds no record
  Damaged,        // a record is malformed or runs past the end
  RecordCountMismatch,  // more or fewer records than list entries
  Cancelled,      // the user cancelled; what was cut so far stays for the clean-up
};

// Fetches and parses the file list, prepares every entry's paths and folder under
// g_simRoot, and cuts g_packagePath into one ".qzar" temporary per entry. Every
// failure has been shown to the user when this returns. A cancel stops the cutting
// before the next record, so that no temporary appears after Cancel's clean-up.
SplitResult SplitPackage();

// The same after the fetch: parses and checks the list text, prepares the paths and
// cuts the package. Its failures have been shown too.
SplitResult SplitWithList(const char* listText, std::uint32_t length);
