// The vendor's LZW encoder: streams that LzwDecoder reads back byte for byte,
// including the dictionary restart after 65536 entries.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

std::vector<std::uint8_t> LzwEncode(std::span<const std::uint8_t> data);
