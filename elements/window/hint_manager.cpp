#include "elements/window/hint_manager.h"

#include "app/shell_state.h"
#include "toolkit/memory.h"
#include "toolkit/paint.h"
#include "toolkit/wide_text.h"

namespace {

// The record add hands out, with the font given to its tooltip: a tooltip
// destroyed with its owner's window before remove must not take the font's
// only trace with it. Text is the wide copy the record's text points to.
struct THintRecord {
  THintTool Tool;
  HFONT Font;
  wchar_t* Text;
};

THintRecord* RecordOf(THintTool* tool) { return reinterpret_cast<THintRecord*>(tool); }
HWND TooltipOf(const THintTool* tool) { return reinterpret_cast<HWND>(tool->lParam); }
LPARAM ToolParam(THintTool* tool) { return reinterpret_cast<LPARAM>(tool); }

constexpr DWORD kTooltipStyle = WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP;
constexpr UINT kToolFlags = TTF_IDISHWND | TTF_SUBCLASS | TTF_TRANSPARENT;
constexpr UINT kTopmostQuietly = SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE;

}  // namespace

TWDHintManager::TWDHintManager()
    : Operations{
          MakeMethod<&TWDHintManager::Add>(this),     MakeMethod<&TWDHintManager::Remove>(this),
          MakeMethod<&TWDHintManager::SetText>(this), MakeMethod<&TWDHintManager::SetTitle>(this),
          MakeMethod<&TWDHintManager::TrackOn>(this), MakeMethod<&TWDHintManager::TrackOff>(this),
          MakeMethod<&TWDHintManager::TrackPos>(this)} {}

void TWDHintManager::SetDefaults() {
  HintStyle = 1;
  HintColor = 0xFF000018;  // system tooltip background
  HintDelay = 500;
  HintPause = 5000;
  HintMargin = 0;
  HintTracking = 0;
  HintFont = MakeFontRec("Tahoma", 8, 0, 0, DEFAULT_CHARSET);
  HintFont.Color = 0xFF000017;  // system tooltip text
}

TWDHintManager* NewHintManager() {
  TWDHintManager* manager = ZeroNew<TWDHintManager>();
  manager->SetDefaults();
  return manager;
}

const THintOperations* GlobalHintOperations() {
  return GlobalHintManager ? &GlobalHintManager->Operations : nullptr;
}

THintTool* TWDHintManager::Add(HWND window) {
  THintRecord* record = static_cast<THintRecord*>(ZeroAlloc(sizeof(THintRecord)));
  THintTool* tool = &record->Tool;
  // The record as the tooltip class has always known it, without the later
  // reserved member: every version of the class accepts this size.
  tool->cbSize = TTTOOLINFOW_V2_SIZE;
  // A tooltip is placed from the track position only when its tool is a tracking one.
  tool->uFlags = kToolFlags | (HintTracking ? TTF_TRACK : 0);
  tool->hwnd = window;
  tool->uId = reinterpret_cast<UINT_PTR>(window);

  const DWORD style = kTooltipStyle | (HintStyle == 0 ? TTS_BALLOON : 0);
  // A Unicode tooltip, given its texts with the wide messages: the ANSI ones
  // would read the Windows-1251 bytes in the system's code page.
  HWND tooltip = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, style, CW_USEDEFAULT,
                                 CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, window, nullptr,
                                 GetModuleHandleA(nullptr), nullptr);
  record->Font = CreateTextFont(LogFontOf(HintFont));
  SendMessageA(tooltip, WM_SETFONT, reinterpret_cast<WPARAM>(record->Font), 1);
  SetWindowPos(tooltip, HWND_TOPMOST, 0, 0, 0, 0, kTopmostQuietly);
  SendMessageA(tooltip, TTM_ADDTOOLW, 0, ToolParam(tool));
  SendMessageA(tooltip, TTM_SETTIPTEXTCOLOR, ColorToRGB(HintFont.Color), 0);
  SendMessageA(tooltip, TTM_SETTIPBKCOLOR, ColorToRGB(HintColor), 0);
  SendMessageA(tooltip, TTM_SETDELAYTIME, TTDT_INITIAL, HintDelay);
  SendMessageA(tooltip, TTM_SETDELAYTIME, TTDT_AUTOPOP, HintPause);
  RECT margin{HintMargin, HintMargin, HintMargin, HintMargin};
  SendMessageA(tooltip, TTM_SETMARGIN, 0, reinterpret_cast<LPARAM>(&margin));
  tool->lParam = reinterpret_cast<LPARAM>(tooltip);
  return tool;
}

void TWDHintManager::Remove(THintTool* tool) {
  THintRecord* record = RecordOf(tool);
  HWND tooltip = TooltipOf(tool);
  // The tooltip dies with the top-level window that owns it; it may be gone.
  if (IsWindow(tooltip)) {
    SendMessageA(tooltip, TTM_DELTOOLW, 0, ToolParam(tool));
    DestroyWindow(tooltip);
  }
  if (record->Font) DeleteObject(record->Font);
  FreeAlloc(record->Text);
  FreeAlloc(record);
}

void TWDHintManager::SetText(THintTool* tool, const char* text) {
  THintRecord* record = RecordOf(tool);
  wchar_t* wide = TWideText(text).Release();
  tool->lpszText = wide;
  SendMessageA(TooltipOf(tool), TTM_UPDATETIPTEXTW, 0, ToolParam(tool));
  FreeAlloc(record->Text);
  record->Text = wide;
}

void TWDHintManager::SetTitle(THintTool* tool, int icon, const char* title) {
  SendMessageA(TooltipOf(tool), TTM_SETTITLEW, static_cast<WPARAM>(icon),
               reinterpret_cast<LPARAM>(TWideText(title).Get()));
}

void TWDHintManager::TrackOn(THintTool* tool) {
  if (HintTracking) SendMessageA(TooltipOf(tool), TTM_TRACKACTIVATE, TRUE, ToolParam(tool));
}

void TWDHintManager::TrackOff(THintTool* tool) {
  if (HintTracking) SendMessageA(TooltipOf(tool), TTM_TRACKACTIVATE, FALSE, ToolParam(tool));
}

void TWDHintManager::TrackPos(THintTool* tool, int x, int y) {
  if (!HintTracking) return;
  // The point is in the element window's client area; a tracking tooltip is
  // placed in screen coordinates.
  POINT at{x, y};
  MapWindowPoints(tool->hwnd, nullptr, &at, 1);
  SendMessageA(TooltipOf(tool), TTM_TRACKPOSITION, 0, MAKELPARAM(at.x, at.y));
}
