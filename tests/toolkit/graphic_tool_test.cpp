#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "tests/toolkit/canvas.h"
#include "toolkit/bitmap.h"
#include "toolkit/graphic_tool.h"

namespace {

// Records every change notice and whether the handle dropped with it was still alive.
struct ToolWatch {
  void Changed(TGraphicTool*) {
    ++notices;
    if (dropped) droppedAliveAtNotice.push_back(GetObjectType(dropped) != 0);
  }
  void Watch(TGraphicTool* tool) { tool->OnChange = MakeMethod<&ToolWatch::Changed>(this); }
  int notices = 0;
  HGDIOBJ dropped = nullptr;
  std::vector<bool> droppedAliveAtNotice;
};

struct StyleCase {
  LONG weight;
  BYTE italic;
  std::uint8_t style;
  LONG wantWeight;
  std::uint8_t wantStyle;
  int wantNotices;
};

TEST(GraphicTool, FontStyleFollowsTheWeightRules) {
  const StyleCase cases[] = {
      {400, 0, kFontBold, 700, kFontBold, 1},         // bold raises to 700
      {700, 0, 0, 0, 0, 1},                           // clearing bold on 700 gives 0
      {400, 1, 0, 400, 0, 1},                         // clearing it on 400 leaves 400
      {800, 0, kFontBold, 800, kFontBold, 0},         // already bold: nothing
      {0, 0, 0xF0 | kFontItalic, 0, kFontItalic, 1},  // only the low four bits count
      {0, 0, 0x0F, 700, 0x0F, 1},                     // all four at once
  };
  for (const StyleCase& c : cases) {
    TGraphicTool* font = NewFont();
    font->Data.LogFont.lfWeight = c.weight;
    font->Data.LogFont.lfItalic = c.italic;
    ToolWatch watch;
    watch.Watch(font);
    SetFontStyle(font, c.style);
    EXPECT_EQ(font->Data.LogFont.lfWeight, c.wantWeight) << c.weight << " " << int(c.style);
    EXPECT_EQ(FontStyle(font), c.wantStyle) << c.weight << " " << int(c.style);
    EXPECT_EQ(watch.notices, c.wantNotices) << c.weight << " " << int(c.style);
    Free(font);
  }
}

TEST(GraphicTool, NewFontDescribesTheDefaultFaceAndChangesDropTheHandleAfterTellingTwice) {
  TGraphicTool* font = NewFont();
  // The handle made from the default description is a live font of that face.
  LOGFONTA made{};
  ASSERT_TRUE(GetObjectA(FontHandle(font), sizeof made, &made));
  EXPECT_STREQ(made.lfFaceName, "MS Sans Serif");
  // The default character set is asked for as the Cyrillic one, the set of the
  // program's texts; the description keeps what it says.
  EXPECT_EQ(made.lfCharSet, RUSSIAN_CHARSET);
  EXPECT_EQ(font->Data.LogFont.lfCharSet, DEFAULT_CHARSET);
  ToolChanged(font);
  ToolWatch watch;
  watch.Watch(font);

  // Without a handle a change is told once.
  SetFontHeight(font, -11);
  EXPECT_EQ(watch.notices, 1);
  SetFontHeight(font, -11);
  EXPECT_EQ(watch.notices, 1);

  // With one, twice: the first notice comes while the old handle still lives.
  watch.dropped = FontHandle(font);
  ASSERT_NE(watch.dropped, nullptr);
  EXPECT_EQ(GetObjectType(watch.dropped), static_cast<DWORD>(OBJ_FONT));
  SetFontCharset(font, RUSSIAN_CHARSET);
  EXPECT_EQ(watch.notices, 3);
  EXPECT_EQ(watch.droppedAliveAtNotice, (std::vector<bool>{true, false}));
  EXPECT_EQ(font->ToolHandle, nullptr);

  HGDIOBJ last = FontHandle(font);
  Free(font);
  EXPECT_EQ(GetObjectType(last), 0u);
}

TEST(GraphicTool, FaceNameIsCutTo31Characters) {
  TGraphicTool* font = NewFont();
  ToolWatch watch;
  watch.Watch(font);
  const std::string forty(40, 'F');
  SetFontName(font, forty.c_str());
  EXPECT_EQ(std::string(font->Data.LogFont.lfFaceName), std::string(31, 'F'));
  EXPECT_EQ(watch.notices, 1);
  SetFontName(font, forty.c_str());  // the same name once cut
  EXPECT_EQ(watch.notices, 1);
  SetFontName(font, "Tahoma");
  EXPECT_STREQ(font->Data.LogFont.lfFaceName, "Tahoma");
  // Nothing of the longer name is left behind the shorter one.
  EXPECT_EQ(font->Data.LogFont.lfFaceName[7], 0);
  SetFontName(font, nullptr);
  EXPECT_STREQ(font->Data.LogFont.lfFaceName, "");
  EXPECT_EQ(watch.notices, 3);
  Free(font);
}

TEST(GraphicTool, CopiedToolSharesTheParentHandleUntilItsDescriptionDiffers) {
  TGraphicTool* parent = NewFont();
  TGraphicTool* child = CopyTool(nullptr, parent);
  ASSERT_NE(child, nullptr);
  child->LinkParent(parent);
  ToolWatch watch;
  watch.Watch(child);

  HGDIOBJ shared = FontHandle(parent);
  EXPECT_EQ(FontHandle(child), shared);
  EXPECT_EQ(child->ToolHandle, nullptr);
  // Tools drawing with one handle already agree: copying tells nobody anything.
  EXPECT_EQ(CopyTool(child, parent), child);
  EXPECT_EQ(watch.notices, 0);

  SetFontStyle(child, kFontItalic);
  HGDIOBJ own = FontHandle(child);
  EXPECT_NE(own, shared);
  EXPECT_EQ(child->ToolHandle, own);
  // Copying back makes the descriptions equal again, and the child uses the parent's:
  // told twice as its own handle goes, once more after the copy.
  watch.notices = 0;
  EXPECT_EQ(CopyTool(child, parent), child);
  EXPECT_EQ(watch.notices, 3);
  EXPECT_EQ(FontHandle(child), shared);
  EXPECT_EQ(GetObjectType(own), 0u);

  // The parent is freed first: the child keeps it alive while it is linked.
  Free(parent);
  EXPECT_EQ(GetObjectType(shared), static_cast<DWORD>(OBJ_FONT));
  EXPECT_EQ(CopyTool(child, nullptr), nullptr);  // frees the child
  EXPECT_EQ(GetObjectType(shared), 0u);
}

TEST(GraphicTool, HandleIsRebuiltWhenTheSystemColourBehindTheToolChanges) {
  TGraphicTool* font = NewFont();  // window text colour
  ToolWatch watch;
  watch.Watch(font);
  ASSERT_NE(FontHandle(font), nullptr);
  EXPECT_EQ(FontHandle(font), font->ToolHandle);
  EXPECT_EQ(watch.notices, 0);

  const int element = COLOR_WINDOWTEXT;
  const COLORREF original = GetSysColor(element);
  const COLORREF changed = original ^ 0x00FF00;
  ASSERT_TRUE(SetSysColors(1, &element, &changed));
  FontHandle(font);
  EXPECT_EQ(watch.notices, 2);
  EXPECT_EQ(font->ColorRGB, changed);
  SetSysColors(1, &element, &original);
  Free(font);
}

constexpr COLORREF kInk = RGB(0, 128, 255);

int beforeUseCalls = 0;
void CountBeforeUse(TBitmap*) { ++beforeUseCalls; }

TEST(Bitmap, EmptyBitmapDrawsNothingAndADrawnOneArrivesWhole) {
  const int emptySizes[][2] = {{0, 0}, {0, 5}, {5, 0}};
  for (const auto& size : emptySizes) {
    TBitmap* empty = NewBitmap(size[0], size[1]);
    EXPECT_TRUE(empty->Empty());
    EXPECT_EQ(empty->BitmapHandle, nullptr);
    Canvas target(8, 8, kSentinel);
    empty->Draw(target.dc, 0, 0);
    EXPECT_EQ(target.At(0, 0), kSentinel);
    Free(empty);
  }

  TBitmap* bitmap = NewBitmap(4, 3);
  EXPECT_FALSE(bitmap->Empty());
  // A bitmap of the screen's own format, of the size asked for.
  BITMAP made{};
  ASSERT_TRUE(GetObjectA(bitmap->BitmapHandle, sizeof made, &made));
  HDC screen = GetDC(nullptr);
  EXPECT_EQ(made.bmBitsPixel, GetDeviceCaps(screen, BITSPIXEL));
  ReleaseDC(nullptr, screen);
  EXPECT_EQ(made.bmWidth, 4);
  EXPECT_EQ(made.bmHeight, 3);
  HDC source = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(source, bitmap->BitmapHandle);
  FillWith(source, 4, 3, kInk);
  SelectObject(source, old);
  DeleteDC(source);
  bitmap->BeforeUse = CountBeforeUse;
  beforeUseCalls = 0;
  Canvas target(10, 10, kSentinel);
  bitmap->Draw(target.dc, 2, 3);
  EXPECT_EQ(beforeUseCalls, 1);
  // Exactly the 4 x 3 pixels from (2, 3) on.
  for (const auto& [x, y, want] : {std::tuple{2, 3, kInk},
                                   {5, 5, kInk},
                                   {1, 3, kSentinel},
                                   {6, 3, kSentinel},
                                   {2, 6, kSentinel}}) {
    EXPECT_EQ(target.At(x, y), want) << x << "," << y;
  }

  HBITMAP handle = bitmap->BitmapHandle;
  bitmap->Clear();
  EXPECT_TRUE(bitmap->Empty());
  EXPECT_EQ(GetObjectType(handle), 0u);
  Free(bitmap);
}

}  // namespace
