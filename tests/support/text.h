// UTF-16 texts of the wizard as UTF-8, for readable assertions.
#pragma once

#include <string>

inline std::string Utf8(const std::u16string& text) {
  std::string out;
  for (char16_t c : text) {
    if (c < 0x80) {
      out += static_cast<char>(c);
      continue;
    }
    // Two bytes below U+0800, three from there on; the wizard's texts hold no surrogates.
    if (c >= 0x800) out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(c < 0x800 ? 0xC0 | (c >> 6) : 0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
  return out;
}
