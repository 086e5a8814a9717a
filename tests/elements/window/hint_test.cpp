#include <windows.h>

#include <commctrl.h>

#include <memory>

#include "app/shell_state.h"
#include "elements/window/hint_manager.h"
#include "tests/elements/window/element_fixture.h"

namespace {

BOOL CALLBACK CollectTooltip(HWND window, LPARAM list) {
  if (ClassNameOf(window) == TOOLTIPS_CLASSA) {
    reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
  }
  return TRUE;
}

std::vector<HWND> Tooltips() {
  std::vector<HWND> found;
  EnumThreadWindows(GetCurrentThreadId(), CollectTooltip, reinterpret_cast<LPARAM>(&found));
  return found;
}

// The process-wide manager with its defaults, as the program's start-up makes it.
class Hints : public ElementTest {
 protected:
  void SetUp() override {
    InitCommonControls();
    manager_.SetDefaults();
    GlobalHintManager = &manager_;
    ElementTest::SetUp();
  }
  void TearDown() override {
    ElementTest::TearDown();
    GlobalHintManager = nullptr;
  }

  std::unique_ptr<TWDWin> HintedButton(const char* hint) {
    std::unique_ptr<TWDWin> e(NewButtonElement(form_));
    e->Hint = hint;
    e->Init();
    e->AttachHint(nullptr);
    e->AttachProvider(nullptr);
    return e;
  }

  TWDHintManager manager_;
};

TEST_F(Hints, ElementWithAHintGetsOneTooltipOfTheManagersMaking) {
  for (std::uint8_t style : {std::uint8_t(1), std::uint8_t(0)}) {
    SCOPED_TRACE(int(style));
    manager_.HintStyle = style;
    std::unique_ptr<TWDWin> e = HintedButton("\xC2\xEA\xEB");
    const std::vector<HWND> tips = Tooltips();
    ASSERT_EQ(tips.size(), 1u);
    HWND tip = tips[0];
    ASSERT_NE(e->HintTool, nullptr);
    EXPECT_EQ(reinterpret_cast<HWND>(e->HintTool->lParam), tip);
    EXPECT_EQ(SendMessageA(tip, TTM_GETTOOLCOUNT, 0, 0), 1);
    EXPECT_EQ(SendMessageA(tip, TTM_GETDELAYTIME, TTDT_INITIAL, 0), 500);
    EXPECT_EQ(SendMessageA(tip, TTM_GETDELAYTIME, TTDT_AUTOPOP, 0), 5000);
    EXPECT_EQ(SendMessageA(tip, TTM_GETTIPBKCOLOR, 0, 0), LRESULT(GetSysColor(COLOR_INFOBK)));
    EXPECT_EQ(SendMessageA(tip, TTM_GETTIPTEXTCOLOR, 0, 0), LRESULT(GetSysColor(COLOR_INFOTEXT)));
    EXPECT_EQ((StyleOf(tip) & TTS_BALLOON) != 0, style == 0);
    // The Windows-1251 text reaches the tooltip as the Cyrillic letters it means.
    wchar_t text[32] = {};
    TOOLINFOW query = *e->HintTool;
    query.lpszText = text;
    SendMessageW(tip, TTM_GETTEXTW, 32, reinterpret_cast<LPARAM>(&query));
    EXPECT_STREQ(text, L"\u0412\u043A\u043B");

    auto font = reinterpret_cast<HFONT>(SendMessageA(tip, WM_GETFONT, 0, 0));
    LOGFONTA description{};
    ASSERT_TRUE(GetObjectA(font, sizeof description, &description));
    EXPECT_STREQ(description.lfFaceName, "Tahoma");
    EXPECT_EQ(description.lfCharSet, RUSSIAN_CHARSET);  // asked for as the default
    EXPECT_EQ(description.lfHeight, FontHeightOfPoints(8));
    HDC screen = GetDC(nullptr);
    if (GetDeviceCaps(screen, LOGPIXELSY) == 96) {
      EXPECT_EQ(description.lfHeight, -11);
    }
    ReleaseDC(nullptr, screen);

    // The tooltip and its font go with the element.
    e.reset();
    EXPECT_FALSE(IsWindow(tip));
    EXPECT_EQ(GetObjectType(font), 0u);
  }
}

// The tooltip dies with the form that owns it; its font must not outlive it.
TEST_F(Hints, TooltipGoneWithTheFormLeavesNoFontBehind) {
  std::unique_ptr<TWDWin> e = HintedButton("Tip");
  HWND tip = reinterpret_cast<HWND>(e->HintTool->lParam);
  auto font = reinterpret_cast<HFONT>(SendMessageA(tip, WM_GETFONT, 0, 0));
  ASSERT_EQ(GetObjectType(font), DWORD(OBJ_FONT));
  Free(form_);
  EXPECT_FALSE(IsWindow(tip));
  EXPECT_EQ(e->ControlGone, 1);
  e.reset();
  EXPECT_EQ(GetObjectType(font), 0u);
}

TEST_F(Hints, TrackingTooltipIsPlacedAtThePointerOnTheScreen) {
  manager_.HintTracking = 1;
  std::unique_ptr<TWDWin> e = HintedButton("Tip");
  HWND window = e->Control->Handle;
  HWND tip = reinterpret_cast<HWND>(e->HintTool->lParam);
  SendMessageA(window, WM_MOUSEHOVER, 0, MAKELPARAM(5, 7));
  SendMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 7));
  SendMessageA(window, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(6, 7));
  POINT at{5, 7};
  ClientToScreen(window, &at);
  RECT placed;
  GetWindowRect(tip, &placed);
  EXPECT_TRUE(IsWindowVisible(tip));
  // It may step aside from the tool horizontally; vertically it stands at the
  // pointer, give or take its own border.
  EXPECT_NEAR(placed.top, at.y, 2);
}

// Stands in the manager's table: records what an element asks of it.
struct OperationsLog {
  THintTool* Add(HWND) {
    calls += "add ";
    return &tool;
  }
  void Remove(THintTool*) { calls += "remove "; }
  void SetText(THintTool*, const char* text) { calls += std::string("text:") + text + " "; }
  void SetTitle(THintTool*, int, const char*) { calls += "title "; }
  void TrackOn(THintTool*) { calls += "on "; }
  void TrackOff(THintTool*) { calls += "off "; }
  void TrackPos(THintTool*, int, int) { calls += "pos "; }
  THintTool tool{};
  std::string calls;
};

TEST_F(Hints, OnlyAnElementWithAHintTalksToTheManager) {
  struct Row {
    const char* hint;
    const char* calls;
  } rows[] = {{"", ""}, {"Tip", "add text:Tip on on on pos off remove "}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.hint);
    OperationsLog log;
    manager_.Operations = {
        MakeMethod<&OperationsLog::Add>(&log),     MakeMethod<&OperationsLog::Remove>(&log),
        MakeMethod<&OperationsLog::SetText>(&log), MakeMethod<&OperationsLog::SetTitle>(&log),
        MakeMethod<&OperationsLog::TrackOn>(&log), MakeMethod<&OperationsLog::TrackOff>(&log),
        MakeMethod<&OperationsLog::TrackPos>(&log)};
    const size_t before = Tooltips().size();
    std::unique_ptr<TWDWin> e = HintedButton(row.hint);
    HWND window = e->Control->Handle;
    SendMessageA(window, WM_MOUSEHOVER, 0, MAKELPARAM(5, 5));
    SendMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    SendMessageA(window, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(6, 5));
    SendMessageA(window, WM_MOUSELEAVE, 0, 0);
    e.reset();
    EXPECT_EQ(log.calls, row.calls);
    EXPECT_EQ(Tooltips().size(), before);
  }
}

}  // namespace
