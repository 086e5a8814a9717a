#include "elements/window/font_rec.h"

#include <cstring>

TFontRec MakeFontRec(const TText& name, std::uint8_t size, std::uint8_t style, std::uint32_t color,
                     std::uint8_t charset) {
  TFontRec font;
  font.Name = name;
  font.Size = size;
  font.Style = style;
  font.Color = color;
  font.Charset = charset;
  return font;
}

std::int32_t FontHeightOfPoints(std::int32_t points) {
  static std::int32_t screenDpi = 0;
  if (screenDpi == 0) {
    HDC screen = GetDC(nullptr);
    screenDpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
  }
  // Truncated toward zero; the negative height asks for the character height.
  return (points * screenDpi + 36) / -72;
}

LOGFONTA LogFontOf(const TFontRec& font) {
  LOGFONTA description{};
  description.lfHeight = FontHeightOfPoints(font.Size);
  description.lfWeight = (font.Style & kFontBold) ? FW_BOLD : 0;
  description.lfItalic = (font.Style & kFontItalic) ? 1 : 0;
  description.lfUnderline = (font.Style & kFontUnderline) ? 1 : 0;
  description.lfStrikeOut = (font.Style & kFontStrikeOut) ? 1 : 0;
  description.lfCharSet = font.Charset;
  const std::size_t length = font.Name.Length();
  std::memcpy(description.lfFaceName, font.Name.CStr(),
              length < kFontNameMax ? length : kFontNameMax);
  return description;
}
