#include "toolkit/control.h"
#include "toolkit/paint.h"
#include "toolkit/wide_text.h"
#include "toolkit/window_proc.h"

void TControl::SetVisible(bool value) {
  VisibleSet = 1;
  ApplyVisible(value);
}

void TControl::ApplyVisible(bool value) {
  if (value) {
    Style |= WS_VISIBLE;
  } else {
    Style &= ~WS_VISIBLE;
  }
  Visible = value;
  if (!Handle) return;
  ShowWindow(Handle, value ? SW_SHOW : SW_HIDE);
  if (Parent) RealignHook(Parent);
  if (value) {
    RealignHook(this);
  } else {
    ShowPending = 0;
  }
}

void TControl::SetEnabled(bool value) {
  Enabled = value;
  if (value) {
    Style &= ~WS_DISABLED;
  } else {
    Style |= WS_DISABLED;
  }
  if (Handle) EnableWindow(Handle, value);
}

void TControl::SetParent(TControl* newParent) {
  if (newParent == Parent) return;
  if (Parent) Parent->Children->RemovePtr(this);
  Parent = newParent;
  if (newParent) newParent->Children->AddPtr(this);
}

TControl* ParentForm(TControl* control) {
  while (control && control->IsControl) control = control->Parent;
  return control;
}

LRESULT Perform(TControl* control, UINT msg, WPARAM wParam, LPARAM lParam) {
  return SendMessageA(control->GetWindowHandle(), msg, wParam, lParam);
}

void PostClose(TControl* control) { PostMessageA(control->Handle, WM_CLOSE, 0, 0); }

void TControl::SetCaption(const char* text) {
  // Copied before the old text goes: the new text may be the old one.
  char* copy = DuplicateText(text);
  FreeAlloc(Caption);
  Caption = copy;
  if (Handle) {
    SetWindowTextW(Handle, TWideText(Caption).Get());
    Invalidate(this);
  }
}

namespace {
bool WindowLongIs(HWND window, int index, std::uint32_t value) {
  return static_cast<std::uint32_t>(GetWindowLongPtrA(window, index)) == value;
}

void RedrawFrame(HWND window) {
  SetWindowPos(window, nullptr, 0, 0, 0, 0,
               SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}
}  // namespace

// Writing a style the window already has changes nothing but costs a frame
// recalculation; under Wine that is a dozen server round trips.
void TControl::SetStyle(std::uint32_t value) {
  Style = value;
  if (!Handle || WindowLongIs(Handle, GWL_STYLE, value)) return;
  SetWindowLongPtrA(Handle, GWL_STYLE, static_cast<LONG_PTR>(value));
  RedrawFrame(Handle);
}

void TControl::SetExStyle(std::uint32_t value) {
  ExStyle = value;
  if (!Handle || WindowLongIs(Handle, GWL_EXSTYLE, value)) return;
  SetWindowLongPtrA(Handle, GWL_EXSTYLE, static_cast<LONG_PTR>(value));
  RedrawFrame(Handle);
}

void TControl::SetClassStyle(std::uint32_t value) {
  ClassStyle = value;
  if (Handle) SetClassLongPtrA(Handle, GCL_STYLE, static_cast<LONG_PTR>(value));
}

void TControl::SetCtl3D(bool value) {
  ChildrenCtl3D = value;
  if (Ctl3D == value) return;
  Ctl3D = value;
  if (Handle) {
    Style = static_cast<std::uint32_t>(GetWindowLongPtrA(Handle, GWL_STYLE));
    ExStyle = static_cast<std::uint32_t>(GetWindowLongPtrA(Handle, GWL_EXSTYLE));
    ClassStyle = static_cast<std::uint32_t>(GetClassLongPtrA(Handle, GCL_STYLE));
  }
  if (value) {
    SetExStyle(ExStyle | WS_EX_CLIENTEDGE);
    SetStyle(Style & ~WS_BORDER);
  } else {
    SetExStyle(ExStyle & ~WS_EX_CLIENTEDGE);
    SetStyle(Style | WS_BORDER);
  }
}

void TControl::SetColor(std::uint32_t color) {
  if (Handle && Actions.ColorMessage) {
    SendMessageA(Handle, Actions.ColorMessage, 0, static_cast<LPARAM>(ColorToRGB(color)));
  }
  if (color == Color) return;
  Color = color;
  if (CachedBrush) {
    DeleteObject(CachedBrush);
    CachedBrush = nullptr;
  }
  if (Brush) SetToolColor(Brush, color);
  Invalidate(this);
}

void TControl::SetCursor(HCURSOR cursor) {
  if (cursor == Cursor) return;
  Cursor = cursor;
  if (!Handle || !cursor) return;
  POINT p;
  RECT client;
  if (!GetCursorPos(&p) || !ScreenToClient(Handle, &p) || !GetClientRect(Handle, &client)) return;
  // Left and top inclusive, right and bottom exclusive.
  if (PtInRect(&client, p)) ::SetCursor(cursor);
}

void TrimSystemMenu(TControl* control) {
  HMENU menu = GetSystemMenu(control->Handle, FALSE);
  if (!menu) return;
  DeleteMenu(menu, SC_MAXIMIZE, MF_BYCOMMAND);
  DeleteMenu(menu, SC_MOVE, MF_BYCOMMAND);
  DeleteMenu(menu, SC_SIZE, MF_BYCOMMAND);
  EnableMenuItem(menu, SC_RESTORE, MF_BYCOMMAND | MF_GRAYED);
}
