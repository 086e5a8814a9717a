#include "toolkit/control.h"
#include "toolkit/window_proc.h"

namespace {
void NoRealign(TControl*) {}

int RectWidth(const RECT& r) { return r.right - r.left; }
int RectHeight(const RECT& r) { return r.bottom - r.top; }
bool SameRect(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}
}  // namespace

TControlProc RealignHook = NoRealign;

RECT TControl::BoundsRect() {
  if (Handle) {
    RECT r;
    if (GetWindowRect(Handle, &r)) {
      if (IsControl && Parent && Parent->Handle) {
        MapWindowPoints(nullptr, Parent->Handle, reinterpret_cast<POINT*>(&r), 2);
      }
      Bounds = r;
    }
  }
  return Bounds;
}

void TControl::SetBoundsRect(const RECT& rect) {
  const RECT old = BoundsRect();
  if (SameRect(old, rect)) return;
  if (rect.left != old.left) PositionSet |= 1;
  if (rect.top != old.top) PositionSet |= 2;
  Bounds = rect;
  if (Handle) {
    SetWindowPos(Handle, nullptr, rect.left, rect.top, RectWidth(rect), RectHeight(rect),
                 SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

void TControl::SetPosition(int left, int top) {
  RECT r = BoundsRect();
  OffsetRect(&r, left - r.left, top - r.top);
  SetBoundsRect(r);
}

void TControl::SetWidth(int width) {
  RECT r = BoundsRect();
  r.right = r.left + width;
  SetBoundsRect(r);
}

void TControl::SetHeight(int height) {
  RECT r = BoundsRect();
  r.bottom = r.top + height;
  SetBoundsRect(r);
}

void TControl::SetSize(int width, int height) {
  if (width > 0) SetWidth(width);
  if (height > 0) SetHeight(height);
}

int TControl::Width() { return RectWidth(BoundsRect()); }
int TControl::Height() { return RectHeight(BoundsRect()); }

RECT TControl::ClientRect() {
  RECT r = Bounds;
  if (!GetWindowHandle() || !GetClientRect(Handle, &r)) r = Bounds;
  r.top += ClientTop;
  r.bottom -= ClientBottom;
  r.left += ClientLeft;
  r.right -= ClientRight;
  return r;
}

int TControl::ClientWidth() { return RectWidth(ClientRect()); }
int TControl::ClientHeight() { return RectHeight(ClientRect()); }

// The client size first: asking for it makes the window, whose frame then counts.
void TControl::SetClientWidth(int width) {
  const int client = ClientWidth();
  SetWidth(width + (Width() - client));
}
void TControl::SetClientHeight(int height) {
  const int client = ClientHeight();
  SetHeight(height + (Height() - client));
}

void TControl::SetAlign(std::uint8_t align) {
  RealignHook = AlignChildren;
  if (Align == align) return;
  Align = align;
  AlignChildren(Parent);
}

namespace {

bool InPass(std::uint8_t align, int pass) {
  switch (pass) {
    case 0: return align == kAlignTop || align == kAlignBottom;
    case 1: return align == kAlignLeft || align == kAlignRight;
    default: return align == kAlignClient;
  }
}

// Places one child in the free area R and shrinks R by what it took.
RECT PlaceAligned(std::uint8_t align, const RECT& b, RECT& r, int m) {
  const int w = RectWidth(b), h = RectHeight(b);
  RECT n = b;
  switch (align) {
    case kAlignTop:
      OffsetRect(&n, 0, r.top + m - n.top);
      r.top += m + h;
      n.left = r.left + m;
      n.right = r.right - m;
      break;
    case kAlignBottom:
      OffsetRect(&n, 0, r.bottom - m - n.bottom);
      r.bottom -= m + h;
      n.left = r.left + m;
      n.right = r.right - m;
      break;
    case kAlignLeft:
      OffsetRect(&n, r.left + m - n.left, 0);
      r.left += m + w;
      n.top = r.top + m;
      n.bottom = r.bottom - m;
      break;
    case kAlignRight:
      OffsetRect(&n, r.right - m - n.right, 0);
      r.right -= m + w;
      n.top = r.top + m;
      n.bottom = r.bottom - m;
      break;
    default: n = {r.left + m, r.top + m, r.right - m, r.bottom - m}; break;
  }
  if (n.right < n.left) n.right = n.left;
  if (n.bottom < n.top) n.bottom = n.top;
  return n;
}

}  // namespace

void AlignChildren(TControl* control) {
  if (!control) return;
  RECT r = control->ClientRect();
  const int m = control->Margin;
  for (int pass = 0; pass < 3; ++pass) {
    for (int i = 0; i < control->Children->Count; ++i) {
      TControl* child = control->Children->GetPtr<TControl>(i);
      if (!InPass(child->Align, pass) || !IsVisible(child)) continue;
      const RECT b = child->BoundsRect();
      const RECT n = PlaceAligned(child->Align, b, r, m);
      const bool resized = RectWidth(n) != RectWidth(b) || RectHeight(n) != RectHeight(b);
      if (resized || n.left != b.left || n.top != b.top) child->SetBoundsRect(n);
      if (resized) AlignChildren(child);
    }
  }
}

bool ResizeHandler(TControl* c, TMessage& msg, LRESULT&) {
  if (msg.Msg == WM_SIZE && c->OnResize) c->OnResize(c);
  return false;
}

void TControl::SetOnResize(TNotify e) {
  OnResize = e;
  AttachMessageHandler(this, ResizeHandler, false);
}
