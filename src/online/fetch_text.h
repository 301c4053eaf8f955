// One-read fetch of a small text resource: open the URL, read at most capacity bytes
// once into the buffer (zero-filled first), close. g_bytesRead receives the count.
// Fresh from the network every time: no cache, no cookies, agent "Xq-730K5 QZ Install".
#pragma once

#include <cstdint>
#include <string>

enum class FetchResult { NoConnection, Read };

FetchResult FetchText(const std::string& url, char* buffer, std::uint32_t capacity);

// "No internet connection!" in the user's language, owned by the main window.
void ShowNoConnection();

constexpr const char* kAgentName = "Xq-730K5 QZ Install";
