// The decoder written the plain way: a hash map from code to byte string, one step per
// code exactly as the installer's decoder behaves. Slow; the fast decoder must give the
// same bytes on every input, and the tests, the fuzz targets and the benchmark compare
// against this one. Beside it, the fast decoder driven the way a worker drives it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <utility>
#include <vector>

#include "package/lzw_decoder.h"

// To the end of the input; a trailing odd byte is never read. With `ends`, the output's
// size after each code is appended there.
std::vector<std::uint8_t> LiteralLzwDecode(std::span<const std::uint8_t> input,
                                           std::vector<std::size_t>* ends = nullptr);

// What a fast decoder has: its output since the start or the last drop, and its status.
using LzwDecoded = std::pair<std::vector<std::uint8_t>, LzwDecoder::Status>;
LzwDecoded LzwOutput(const LzwDecoder& decoder);

// The fast decoder on the whole input at once (piece 0), or as a worker decodes: in pieces
// of `piece` bytes, the output taken and dropped at each restart. With a scratch of its own
// or the given one, which may have served other decoders before.
LzwDecoded FastLzwDecode(std::span<const std::uint8_t> input, LzwScratch* scratch = nullptr,
                         std::size_t piece = 0);
