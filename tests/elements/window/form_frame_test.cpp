#include <windows.h>

#include "elements/window/frame_style.h"
#include "tests/toolkit/window_fixture.h"

namespace {

using FormFrame = WindowTest;

struct FrameRow {
  std::uint8_t value;
  DWORD style;
  DWORD exStyle;
};

TEST_F(FormFrame, EachBorderStyleReplacesTheFrameOfTheLiveWindowAndKeepsTheSystemMenu) {
  constexpr FrameRow kRows[] = {
      {0, 0, 0},
      {1, WS_CAPTION | WS_MINIMIZEBOX, 0},
      {2, WS_CAPTION | WS_SIZEBOX | WS_MINIMIZEBOX | WS_MAXIMIZEBOX, 0},
      {3, WS_CAPTION, WS_EX_WINDOWEDGE},
      {4, WS_CAPTION, WS_EX_TOOLWINDOW},
      {5, WS_CAPTION | WS_SIZEBOX, WS_EX_TOOLWINDOW},
      {6, 0, WS_EX_DLGMODALFRAME},
      {7, WS_SIZEBOX, WS_EX_TOOLWINDOW},
      {8, 0, WS_EX_CLIENTEDGE | WS_EX_DLGMODALFRAME},
      {9, WS_SIZEBOX, WS_EX_CLIENTEDGE},
  };
  constexpr DWORD kFrameStyles = 0xC70000;
  // The platform may add the window edge to framed windows by itself: it is
  // required only where the row asks for it.
  constexpr DWORD kExactExStyles = WS_EX_TOOLWINDOW | WS_EX_DLGMODALFRAME | WS_EX_CLIENTEDGE;
  for (const FrameRow& row : kRows) {
    SCOPED_TRACE(row.value);
    BuildApp();
    // Every frame bit the setter may clear is set first.
    ApplyBorderStyle(form_, 2);
    form_->SetExStyle(ExStyleOf(form_->Handle) | WS_EX_TOOLWINDOW | WS_EX_DLGMODALFRAME);
    ApplyBorderStyle(form_, row.value);
    const DWORD style = StyleOf(form_->Handle);
    const DWORD exStyle = ExStyleOf(form_->Handle);
    EXPECT_EQ(style & kFrameStyles, row.style);
    EXPECT_EQ(exStyle & kExactExStyles, row.exStyle & kExactExStyles);
    if (row.exStyle & WS_EX_WINDOWEDGE) {
      EXPECT_NE(exStyle & WS_EX_WINDOWEDGE, 0u);
    }
    EXPECT_NE(style & WS_SYSMENU, 0u);
    EXPECT_FALSE(IsWindowVisible(form_->Handle)) << "a frame change shows nothing";
    // Beyond the table nothing changes.
    ApplyBorderStyle(form_, 12);
    EXPECT_EQ(StyleOf(form_->Handle), style);
    EXPECT_EQ(ExStyleOf(form_->Handle), exStyle);
    TControl* app = AppWindow;
    AppWindow = nullptr;
    Free(app);
  }
}

TEST_F(FormFrame, TransparencyMakesTheWindowLayeredWithItsAlphaAndOpaqueAgainAt255) {
  BuildApp();
  HWND window = form_->GetWindowHandle();
  const DWORD opaque = ExStyleOf(window);
  ApplyAlphaBlend(form_, 255);
  EXPECT_EQ(ExStyleOf(window), opaque) << "255 is where every window starts";

  ApplyAlphaBlend(form_, 128);
  EXPECT_NE(ExStyleOf(window) & WS_EX_LAYERED, 0u);
  EXPECT_EQ(form_->AlphaBlend, 128u);
  COLORREF key = 1;
  BYTE alpha = 0;
  DWORD flags = 0;
  ASSERT_TRUE(GetLayeredWindowAttributes(window, &key, &alpha, &flags));
  EXPECT_EQ(alpha, 128);
  EXPECT_EQ(flags, static_cast<DWORD>(LWA_ALPHA));

  ApplyAlphaBlend(form_, 255);
  EXPECT_EQ(ExStyleOf(window) & WS_EX_LAYERED, 0u);
  EXPECT_EQ(form_->AlphaBlend, 255u);
}

}  // namespace
