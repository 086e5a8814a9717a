#include "toolkit/buffered_paint.h"

#include "toolkit/paint.h"
#include "toolkit/window_proc.h"

namespace {

constexpr int kBufferSlack = 32;

RECT ClientRectOnScreen(HWND window) {
  RECT r;
  GetClientRect(window, &r);
  MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

// Draws one window, frame and client, and then its children.
void DrawWindowAndChildren(HDC dc, const RECT& area, HWND w) {
  SaveDC(dc);
  POINT origin;
  GetWindowOrgEx(dc, &origin);
  RECT wr;
  GetWindowRect(w, &wr);
  SetWindowOrgEx(dc, origin.x - (wr.left - area.left), origin.y - (wr.top - area.top), nullptr);
  IntersectClipRect(dc, 0, 0, wr.right - wr.left, wr.bottom - wr.top);
  SendMessageA(w, WM_PRINT, reinterpret_cast<WPARAM>(dc), PRF_NONCLIENT);

  const RECT cr = ClientRectOnScreen(w);
  SetWindowOrgEx(dc, origin.x - (cr.left - area.left), origin.y - (cr.top - area.top), nullptr);
  IntersectClipRect(dc, 0, 0, cr.right - cr.left, cr.bottom - cr.top);
  SendMessageA(w, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
  SendMessageA(w, WM_PAINT, reinterpret_cast<WPARAM>(dc), 0);

  DrawChildWindows(dc, cr, w);
  RestoreDC(dc, -1);
}

// The buffer owner paints itself into its bitmap: the bitmap fits the window or is replaced.
HBITMAP PrepareBuffer(TControl* owner, HDC screen, int w, int h) {
  if (!owner->BufferFreeRegistered) {
    owner->BufferFreeRegistered = 1;
    owner->AddToAutoFree(MakeMethod<&TControl::DeleteBufferBitmap>(owner));
  }
  if (owner->BufferBitmap && !BufferFits(owner->BufferWidth, owner->BufferHeight, w, h)) {
    owner->DeleteBufferBitmap();
  }
  if (!owner->BufferBitmap) {
    owner->BufferBitmap = CreateCompatibleBitmap(screen, w, h);
    owner->BufferWidth = w;
    owner->BufferHeight = h;
  }
  return owner->BufferBitmap;
}

bool HandleEraseBackground(TControl* c, TControl* owner, LRESULT& result) {
  if (!owner || !c->Parent) return false;
  if (!c->Transparent && owner->PaintingToBuffer) return false;
  result = 1;
  return true;
}

bool HandlePaint(TControl* c, TControl* owner, TMessage& msg, LRESULT& result) {
  if (!owner) return false;
  if (owner == c) {
    if (msg.WParam) return false;
    PaintThroughBuffer(c);
  } else {
    // The child is drawn with its owner; on its own it only asks the owner to redraw.
    if (owner->PaintingToBuffer && owner->PaintDC) return false;
    ValidateRect(c->Handle, nullptr);
    if (!owner->PaintingToBuffer) Invalidate(owner);
  }
  result = 0;
  return true;
}

bool HandleNcPaint(TControl* c, TControl* owner, LRESULT& result) {
  if (c->IsForm || !owner || owner->PaintingToBuffer) return false;
  // The frame is drawn only into the buffer.
  result = 0;
  return true;
}

bool InvalidateWithOwner(TControl* c, TControl* owner) {
  if (owner) Invalidate(c);
  return false;
}

}  // namespace

bool BufferFits(int bufferWidth, int bufferHeight, int w, int h) {
  return bufferWidth >= w && bufferHeight >= h && w + kBufferSlack >= bufferWidth &&
         h + kBufferSlack >= bufferHeight;
}

void SetDoubleBuffered(TControl* control, bool value) {
  control->DoubleBuffered = value;
  PreDispatchHook = BufferedPaintHook;
  RepaintHook = InvalidateBufferOwner;
  CreateWindowHook = SubclassChildWindows;
}

void SetTransparent(TControl* control, bool value) {
  if (control->Transparent == value) return;
  control->Transparent = value;
  if (value && control->Parent) SetDoubleBuffered(control->Parent, true);
}

TControl* BufferOwner(TControl* control) {
  TControl* owner = nullptr;
  for (TControl* c = control; c; c = c->Parent) {
    if (c->DoubleBuffered) owner = c;
  }
  return owner;
}

bool BufferedPaintHook(TControl* c, TMessage& msg, LRESULT& result) {
  TControl* owner = BufferOwner(c);
  switch (msg.Msg) {
    case WM_ERASEBKGND: return HandleEraseBackground(c, owner, result);
    case WM_PAINT: return HandlePaint(c, owner, msg, result);
    case WM_NCPAINT: return HandleNcPaint(c, owner, result);
    case WM_WINDOWPOSCHANGED: return InvalidateWithOwner(c, owner);
    case WM_HSCROLL: return InvalidateWithOwner(c, owner);
    case WM_VSCROLL: return InvalidateWithOwner(c, owner);
    case WM_COMMAND: return HIWORD(msg.WParam) == 1 && InvalidateWithOwner(c, owner);
    default: return false;
  }
}

void InvalidateBufferOwner(TControl* control) {
  TControl* owner = BufferOwner(control);
  if (owner && owner->Handle) InvalidateRect(owner->Handle, nullptr, TRUE);
}

void SubclassChildWindows(TControl* control) {
  for (HWND child = GetWindow(control->Handle, GW_CHILD); child;
       child = GetWindow(child, GW_HWNDNEXT)) {
    if (GetPropA(child, kPrevProcProp)) continue;
    // The wide call: a subclass put on with the ANSI one would make the child an
    // ANSI window, whose texts go through the system's code page.
    const LONG_PTR previous =
        SetWindowLongPtrW(child, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ChildSubclassProc));
    SetPropA(child, kPrevProcProp, reinterpret_cast<HANDLE>(previous));
  }
}

void PaintThroughBuffer(TControl* owner) {
  HWND window = owner->Handle;
  RECT update;
  if (!GetUpdateRect(window, &update, FALSE)) return;
  owner->PaintingToBuffer = 1;

  RECT wr;
  GetWindowRect(window, &wr);
  RECT area = owner->IsForm ? ClientRectOnScreen(window) : wr;
  const int w = area.right - area.left;
  const int h = area.bottom - area.top;

  HDC screen = GetDC(window);
  HDC memory = CreateCompatibleDC(screen);
  HGDIOBJ previousBitmap = SelectObject(memory, PrepareBuffer(owner, screen, w, h));
  HDC savedPaintDC = owner->PaintDC;
  owner->PaintDC = memory;

  if (owner->IsForm) {
    SendMessageA(window, WM_ERASEBKGND, reinterpret_cast<WPARAM>(memory), 0);
    SendMessageA(window, WM_PAINT, reinterpret_cast<WPARAM>(memory), 0);
    DrawChildWindows(memory, area, window);
  } else {
    // Only the owner and what lies in it: the windows below it in the sibling
    // order must not be drawn over it.
    DrawWindowAndChildren(memory, area, window);
  }

  HDC windowDC = GetWindowDC(window);
  const int x = owner->IsForm ? area.left - wr.left : 0;
  const int y = owner->IsForm ? area.top - wr.top : 0;
  BitBlt(windowDC, x, y, w, h, memory, 0, 0, SRCCOPY);
  ReleaseDC(window, windowDC);

  SelectObject(memory, previousBitmap);
  DeleteDC(memory);
  ReleaseDC(window, screen);
  owner->PaintDC = savedPaintDC;
  ValidateRect(window, nullptr);
  owner->PaintingToBuffer = 0;
}

void DrawChildWindows(HDC dc, const RECT& area, HWND parent) {
  // The sibling chain runs from the top of the screen's order down: walked from
  // its end, each window is drawn over the ones beneath it, as on the screen.
  // Without children the first call gives nil, and the second nil as well.
  for (HWND w = GetWindow(GetWindow(parent, GW_CHILD), GW_HWNDLAST); w;
       w = GetWindow(w, GW_HWNDPREV)) {
    if (IsWindowVisible(w)) DrawWindowAndChildren(dc, area, w);
  }
}

void TControl::DeleteBufferBitmap() {
  if (BufferBitmap) DeleteObject(BufferBitmap);
  BufferBitmap = nullptr;
  BufferWidth = 0;
  BufferHeight = 0;
}
