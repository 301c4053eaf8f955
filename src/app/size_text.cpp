#include "app/size_text.h"

#include <cmath>
#include <sstream>

SizeText FormatSizeText(std::uint64_t bytes, bool russian) {
  bool giga = bytes >= 1000000000ULL;
  double scaled = static_cast<double>(bytes) / (giga ? 1e9 : 1e6);
  double value = std::round(scaled * 100.0) / 100.0;  // std::round takes halves away from zero
  std::ostringstream stream;
  stream << value;
  SizeText text;
  for (char c : stream.str()) text.number += static_cast<char16_t>(c);
  if (giga) {
    text.unit = russian ? u"Гбайт" : u"GB";
  } else {
    text.unit = russian ? u"Мбайт" : u"MB";
  }
  return text;
}
