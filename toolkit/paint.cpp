#include "toolkit/paint.h"

#include "toolkit/run_loop.h"
#include "toolkit/window_proc.h"

namespace {
void NoRepaint(TControl*) {}
}  // namespace

TControlProc RepaintHook = NoRepaint;
TBrushProc BrushHook = BrushHandle;

COLORREF ColorToRGB(std::uint32_t color) {
  if (color & 0x80000000u) return GetSysColor(static_cast<int>(color & 0xFF));
  return color;
}

HBRUSH BrushHandle(TControl* control) {
  if (control->Parent && control->Parent->Color == control->Color) {
    return BrushHandle(control->Parent);
  }
  const COLORREF rgb = ColorToRGB(control->Color);
  if (control->CachedBrush && rgb != control->BrushRGB) {
    // A system colour changed since the brush was made.
    DeleteObject(control->CachedBrush);
    control->CachedBrush = nullptr;
  }
  if (!control->CachedBrush) {
    control->BrushRGB = rgb;
    control->CachedBrush = CreateSolidBrush(rgb);
  }
  return control->CachedBrush;
}

void Invalidate(TControl* control) {
  if (AppTerminated || !control->Handle) return;
  InvalidateRect(control->Handle, nullptr, TRUE);
  RepaintHook(control);
}

void ApplyFont(TControl* control) {
  if (!control->Font || !control->Handle) return;
  control->TextColor = control->Font->Data.ToolColor;
  Perform(control, WM_SETFONT, reinterpret_cast<WPARAM>(FontHandle(control->Font)), 1);
}

TGraphicTool* GetFont(TControl* control) {
  if (!control->Font) {
    control->Font = NewFont();
    control->Font->Data.ToolColor = control->TextColor;
    control->Font->OnChange = MakeMethod<&TControl::FontChanged>(control);
  }
  return control->Font;
}

void TControl::FontChanged(TGraphicTool*) {
  TextColor = Font->Data.ToolColor;
  ApplyFont(this);
  Invalidate(this);
  // Children that draw with this font's handle are told while it still lives.
  for (int i = 0; Children && i < Children->Count; ++i) {
    TControl* child = Children->GetPtr<TControl>(i);
    if (child->Font && child->Font->ParentTool == Font) FollowParentTool(child->Font);
  }
}

void TControl::BrushChanged(TGraphicTool* tool) {
  Color = tool->Data.ToolColor;
  if (CachedBrush) {
    DeleteObject(CachedBrush);
    CachedBrush = nullptr;
  }
  if (!PaintDC) Invalidate(this);
}

bool EraseBackgroundHandler(TControl* control, TMessage& msg, LRESULT& result) {
  if (msg.Msg != WM_ERASEBKGND) return false;
  control->CreateChildWindows();
  if (control->Transparent) return false;
  HDC dc = reinterpret_cast<HDC>(msg.WParam);
  SetBkMode(dc, OPAQUE);
  SetBkColor(dc, ColorToRGB(control->Color));
  SetBrushOrgEx(dc, 0, 0, nullptr);
  RECT client;
  GetClientRect(control->Handle, &client);
  FillRect(dc, &client, BrushHook(control));
  result = 1;
  // The platform default runs too; the form class has no brush, so it draws nothing more.
  return false;
}

bool PaintHandler(TControl* control, TMessage& msg, LRESULT& result) {
  if ((msg.Msg != WM_PAINT && msg.Msg != WM_PRINT) || !control->OnPaint) return false;
  HDC saved = control->PaintDC;
  HDC dc = reinterpret_cast<HDC>(msg.WParam);
  PAINTSTRUCT ps;
  const bool began = dc == nullptr;
  if (began) dc = BeginPaint(control->Handle, &ps);
  control->PaintDC = dc;
  control->OnPaint(control, dc);
  if (began) EndPaint(control->Handle, &ps);
  control->PaintDC = saved;
  result = 0;
  return true;
}

void TControl::SetOnPaint(TPaintEvent e) {
  OnPaint = e;
  AttachMessageHandler(this, PaintHandler, false);
}
