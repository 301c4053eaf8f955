// A page as a list of drawing operations, from g_page, the language and the state the
// page shows. The Win32 front end executes the list with GDI; nothing here draws.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/ui_port.h"
#include "wizard/window_data.h"

// Text flags, with the platform's DT_ values; none of them means plain.
enum : unsigned { kDtCenter = 0x1, kDtWordBreak = 0x10, kDtWordEllipsis = 0x40000 };

// Colours as 0x00BBGGRR.
constexpr std::uint32_t g_textColour = 0x00320000;
constexpr std::uint32_t g_warnColour = 0x000000FA;

struct DrawOp {
  enum class Kind {
    Picture,  // 24-bit picture at its own size at (x, y)
    Icon,     // 64 x 64 picture with alpha, blended at (x, y)
    Text,     // text in rect with font, flags and colour
  };
  Kind kind = Kind::Picture;
  int resource = 0;
  int x = 0, y = 0;
  Rect rect;
  Font font = Font::None;
  unsigned flags = 0;
  std::uint32_t colour = g_textColour;
  std::u16string text;
  // The folder path is narrow text in the system's code page, drawn as such.
  bool narrow = false;
  std::string narrowText;
};

std::vector<DrawOp> DrawPage();
