// A byte count as the wizard shows it: decimal megabytes below 10^9 bytes, gigabytes
// from there on, rounded to two decimals and printed like %g.
#pragma once

#include <cstdint>
#include <string>

struct SizeText {
  std::u16string number;  // e.g. u"487.52"
  std::u16string unit;    // u"MB" / u"Мбайт" or u"GB" / u"Гбайт"
};

SizeText FormatSizeText(std::uint64_t bytes, bool russian);
