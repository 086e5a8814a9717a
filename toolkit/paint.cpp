#include "toolkit/paint.h"

#include "toolkit/run_loop.h"

namespace {
void NoRepaint(TControl*) {}
void NoFont(TControl*) {}
}  // namespace

TControlProc RepaintHook = NoRepaint;
TControlProc FontApplyHook = NoFont;

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
  if (control->Font && control->Handle) FontApplyHook(control);
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
  FillRect(dc, &client, BrushHandle(control));
  result = 1;
  // The platform default runs too; the form class has no brush, so it draws nothing more.
  return false;
}
