#include <array>

#include "platform/path_case.h"

namespace {
// Windows-1251's upper case of each byte: ASCII, and the Cyrillic letters with their
// lower-case forms scattered over 0x83..0xBF and gathered at 0xE0..0xFF.
constexpr std::array<unsigned char, 256> UpperCase1251() {
  std::array<unsigned char, 256> upper{};
  for (int b = 0; b < 256; ++b) upper[static_cast<std::size_t>(b)] = static_cast<unsigned char>(b);
  for (int b = 'a'; b <= 'z'; ++b) upper[static_cast<std::size_t>(b)] = static_cast<unsigned char>(b - 0x20);
  for (int b = 0xE0; b <= 0xFF; ++b) upper[static_cast<std::size_t>(b)] = static_cast<unsigned char>(b - 0x20);
  constexpr unsigned char kPairs[][2] = {{0x83, 0x81}, {0x90, 0x80}, {0x9A, 0x8A}, {0x9C, 0x8C}, {0x9D, 0x8D},
                                         {0x9E, 0x8E}, {0x9F, 0x8F}, {0xA2, 0xA1}, {0xB3, 0xB2}, {0xB4, 0xA5},
                                         {0xB8, 0xA8}, {0xBA, 0xAA}, {0xBC, 0xA3}, {0xBE, 0xBD}, {0xBF, 0xAF}};
  for (const auto& pair : kPairs) upper[pair[0]] = pair[1];
  return upper;
}
constexpr std::array<unsigned char, 256> kUpper = UpperCase1251();
}  // namespace

std::string PathCaseKey(const std::string& path) {
  std::string key = path;
  for (char& c : key) c = static_cast<char>(kUpper[static_cast<unsigned char>(c)]);
  return key;
}
