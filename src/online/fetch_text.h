// One fetch of a small text resource into a zero-filled buffer of fixed capacity; the
// caller tests the bytes. g_bytesRead receives the count. Fresh from the network every
// time: no cache, no cookies, agent "Xq-730K5 QZ Install".
//
// Only a whole, successful reply is read. A transfer that breaks off (a reset, fewer bytes
// than its length, a stall below the speed floor, see transfer_pace.h) means no
// connection: nothing of it may be acted on. A reply that is not the resource (an error
// status, a redirect that would leave HTTPS) reads as nothing, like a failed read: the
// buffer stays zero and g_bytesRead 0, which every caller's test of the bytes rejects.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

enum class FetchResult { NoConnection, Read };

// What a body longer than the buffer gives: its first capacity bytes (a version or a
// size), or nothing at all (the file list, where acting on a part would install or delete
// a part).
enum class Overflow { Cut, Refuse };

FetchResult FetchText(const std::string& url, char* buffer, std::uint32_t capacity,
                      Overflow overflow = Overflow::Cut);

// The Content-Length of a reply head ("Name: value" lines), if it has one; a number too
// large for 64 bits saturates. Read from the text, since the platforms' number queries
// stop at 32 bits.
std::optional<std::uint64_t> ContentLengthOf(std::string_view head);

// "No internet connection!" in the user's language, owned by the main window.
void ShowNoConnection();

constexpr const char* kAgentName = "Xq-730K5 QZ Install";
