#pragma once

#include <windows.h>

#include <cstdint>

#include "runtime/text.h"
#include "toolkit/graphic_tool.h"

// A font as the schema describes it: face, size in points, style bits (the
// toolkit's kFontBold and its kin), text
// colour (a colour value: bit 31 names a system colour) and character set.
struct TFontRec {
  TText Name;
  std::uint8_t Size = 0;
  std::uint8_t Style = 0;
  std::uint32_t Color = 0;
  std::uint8_t Charset = 0;
};

TFontRec MakeFontRec(const TText& name, std::uint8_t size, std::uint8_t style, std::uint32_t color,
                     std::uint8_t charset);

// The character height in pixels (negative) of a size in points on the screen;
// the screen's vertical resolution is read once per process.
std::int32_t FontHeightOfPoints(std::int32_t points);

// The platform's font description of a record: height, weight, italic,
// underline, strike-out, character set and a face name of at most 31
// characters; everything else zero.
LOGFONTA LogFontOf(const TFontRec& font);
