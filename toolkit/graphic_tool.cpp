#include "toolkit/graphic_tool.h"

#include <cstring>

#include "toolkit/paint.h"

namespace {

constexpr std::uint32_t kWindowTextColor = 0x80000008;
constexpr LONG kBoldWeight = FW_BOLD;

void MakeFontHandle(TGraphicTool* tool) { tool->ToolHandle = CreateTextFont(tool->Data.LogFont); }

bool SameDescription(const TGraphicTool* a, const TGraphicTool* b) {
  return std::memcmp(&a->Data, &b->Data, sizeof(TFontDescription)) == 0;
}

// The handle a tool draws with now, without making one.
HGDIOBJ CurrentHandle(const TGraphicTool* tool) {
  while (tool && !tool->ToolHandle) {
    if (!tool->ParentTool || !SameDescription(tool, tool->ParentTool)) return nullptr;
    tool = tool->ParentTool;
  }
  return tool ? tool->ToolHandle : nullptr;
}

void FireChange(TGraphicTool* tool) {
  if (tool->OnChange) tool->OnChange(tool);
}

void NoteWhetherFollowing(TGraphicTool* tool) {
  tool->FollowsParent = tool->ParentTool && SameDescription(tool, tool->ParentTool);
}

}  // namespace

HFONT CreateTextFont(LOGFONTA description) {
  if (description.lfCharSet == DEFAULT_CHARSET) description.lfCharSet = RUSSIAN_CHARSET;
  return CreateFontIndirectA(&description);
}

TGraphicTool* NewFont() {
  TGraphicTool* tool = NewObj<TGraphicTool>();
  tool->Kind = kToolFont;
  tool->NewTool = NewFont;
  tool->MakeHandle = MakeFontHandle;
  tool->Data.ToolColor = kWindowTextColor;
  tool->Data.LogFont.lfCharSet = DEFAULT_CHARSET;
  std::strcpy(tool->Data.LogFont.lfFaceName, "MS Sans Serif");
  return tool;
}

void TGraphicTool::LinkParent(TGraphicTool* parent) {
  if (parent == ParentTool) return;
  if (parent) parent->AddRef();
  TGraphicTool* old = ParentTool;
  ParentTool = parent;
  if (old) old->Release();
  NoteWhetherFollowing(this);
}

TGraphicTool::~TGraphicTool() {
  if (ToolHandle) DeleteObject(ToolHandle);
  ToolHandle = nullptr;
  LinkParent(nullptr);
}

HGDIOBJ FontHandle(TGraphicTool* tool) {
  // A system colour behind the tool's colour changed since the handle was made.
  if (tool->ToolHandle && ColorToRGB(tool->Data.ToolColor) != tool->ColorRGB) ToolChanged(tool);
  if (!tool->ToolHandle) {
    if (tool->ParentTool && SameDescription(tool, tool->ParentTool)) {
      return FontHandle(tool->ParentTool);
    }
    tool->ColorRGB = ColorToRGB(tool->Data.ToolColor);
    tool->MakeHandle(tool);
  }
  return tool->ToolHandle;
}

void ToolChanged(TGraphicTool* tool) {
  if (HGDIOBJ old = tool->ToolHandle) {
    tool->ToolHandle = nullptr;
    FireChange(tool);
    DeleteObject(old);
  }
  NoteWhetherFollowing(tool);
  FireChange(tool);
}

void FollowParentTool(TGraphicTool* tool) {
  if (!tool->FollowsParent) {
    // From now on it may share the parent's handle.
    NoteWhetherFollowing(tool);
    return;
  }
  // The description may be the same as before: the shared handle was made
  // again all the same, and the tool's window must take the new one.
  tool->Data = tool->ParentTool->Data;
  ToolChanged(tool);
}

TGraphicTool* CopyTool(TGraphicTool* dst, TGraphicTool* src) {
  if (!src) {
    Free(dst);
    return nullptr;
  }
  if (!dst) dst = src->NewTool();
  if (dst == src) return dst;
  // Tools that draw with the same handle already describe the same thing.
  HGDIOBJ shared = CurrentHandle(dst);
  if (shared && shared == CurrentHandle(src)) return dst;
  ToolChanged(dst);
  dst->Data = src->Data;
  ToolChanged(dst);
  return dst;
}

void SetToolColor(TGraphicTool* tool, std::uint32_t color) {
  if (tool->Data.ToolColor != color) {
    tool->Data.ToolColor = color;
    ToolChanged(tool);
  }
  tool->ColorRGB = ColorToRGB(color);
}

void SetFontHeight(TGraphicTool* tool, LONG height) {
  if (tool->Data.LogFont.lfHeight == height) return;
  tool->Data.LogFont.lfHeight = height;
  ToolChanged(tool);
}

void SetFontName(TGraphicTool* tool, const char* name) {
  char face[LF_FACESIZE] = {};
  for (int i = 0; name && i < kFontNameMax && name[i]; ++i) face[i] = name[i];
  // The whole face field is compared: the bytes after the name stay zero.
  if (std::memcmp(face, tool->Data.LogFont.lfFaceName, LF_FACESIZE) == 0) return;
  std::memcpy(tool->Data.LogFont.lfFaceName, face, LF_FACESIZE);
  ToolChanged(tool);
}

void SetFontCharset(TGraphicTool* tool, BYTE charset) {
  if (tool->Data.LogFont.lfCharSet == charset) return;
  tool->Data.LogFont.lfCharSet = charset;
  ToolChanged(tool);
}

std::uint8_t FontStyle(const TGraphicTool* tool) {
  const LOGFONTA& f = tool->Data.LogFont;
  std::uint8_t style = 0;
  if (f.lfWeight >= kBoldWeight) style |= kFontBold;
  if (f.lfItalic) style |= kFontItalic;
  if (f.lfUnderline) style |= kFontUnderline;
  if (f.lfStrikeOut) style |= kFontStrikeOut;
  return style;
}

void SetFontStyle(TGraphicTool* tool, std::uint8_t style) {
  style &= 0x0F;
  if (style == FontStyle(tool)) return;
  LOGFONTA& f = tool->Data.LogFont;
  if (style & kFontBold) {
    if (f.lfWeight < kBoldWeight) f.lfWeight = kBoldWeight;
  } else if (f.lfWeight >= kBoldWeight) {
    f.lfWeight = 0;
  }
  f.lfItalic = (style & kFontItalic) ? 1 : 0;
  f.lfUnderline = (style & kFontUnderline) ? 1 : 0;
  f.lfStrikeOut = (style & kFontStrikeOut) ? 1 : 0;
  ToolChanged(tool);
}
