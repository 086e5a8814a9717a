#pragma once

#include <windows.h>

#include <cstdint>

#include "toolkit/method.h"
#include "toolkit/obj.h"

class TGraphicTool;

using TToolNotify = TMethod<void(TGraphicTool* tool)>;

// What a font tool describes: its text colour followed by the platform's font
// record, compared and copied as one block.
struct TFontDescription {
  std::uint32_t ToolColor;
  LOGFONTA LogFont;
};

// Font style bits.
constexpr std::uint8_t kFontBold = 1;
constexpr std::uint8_t kFontItalic = 2;
constexpr std::uint8_t kFontUnderline = 4;
constexpr std::uint8_t kFontStrikeOut = 8;

constexpr std::uint8_t kToolFont = 1;
constexpr int kFontNameMax = 31;

// A graphic tool: the description of a font and its handle, made when first
// needed. A tool copied from a parent tool uses the parent's handle for as long
// as both describe the same font.
class TGraphicTool : public TObj {
 public:
  std::uint8_t Kind = 0;
  HGDIOBJ ToolHandle = nullptr;
  // Counted: a copied tool keeps the tool whose handle it may share.
  TGraphicTool* ParentTool = nullptr;
  // Described the same font as ParentTool when either last changed: such a
  // tool draws with the parent's handle and follows the parent's changes.
  std::uint8_t FollowsParent = 0;
  TToolNotify OnChange;
  COLORREF ColorRGB = 0;  // RGB of ToolColor when the handle was made
  TFontDescription Data{};
  TGraphicTool* (*NewTool)() = nullptr;
  void (*MakeHandle)(TGraphicTool* tool) = nullptr;

  // Shares the parent's handle while the descriptions stay equal; nil unlinks.
  void LinkParent(TGraphicTool* parent);

 protected:
  ~TGraphicTool() override;
};

// The font of a description. One that asks for the default character set is
// made with the Cyrillic one, the set of the program's own texts: on a Western
// Windows the default set gives "MS Sans Serif" as a raster font without
// Cyrillic letters. Only the created font differs; the description stays.
HFONT CreateTextFont(LOGFONTA description);

TGraphicTool* NewFont();
// The handle of the tool, made or shared as needed; rebuilt when the RGB behind
// the tool's colour changed.
HGDIOBJ FontHandle(TGraphicTool* tool);
// The handle is dropped: the receiver is told before the old handle is deleted
// and once more after, so a window can let go of it first.
void ToolChanged(TGraphicTool* tool);
// The parent tool of `tool` (which has one) changed. A tool that described the same font takes the
// parent's new description and is told, so that its window lets go of the
// parent's old handle; any other tool keeps its own description.
void FollowParentTool(TGraphicTool* tool);
// Makes `dst` describe what `src` describes; a missing `dst` is made, a missing
// `src` frees `dst`. Returns the tool that `dst` became.
TGraphicTool* CopyTool(TGraphicTool* dst, TGraphicTool* src);
void SetToolColor(TGraphicTool* tool, std::uint32_t color);
void SetFontHeight(TGraphicTool* tool, LONG height);
// At most kFontNameMax characters are kept; nil names no face.
void SetFontName(TGraphicTool* tool, const char* name);
void SetFontCharset(TGraphicTool* tool, BYTE charset);
std::uint8_t FontStyle(const TGraphicTool* tool);
void SetFontStyle(TGraphicTool* tool, std::uint8_t style);
