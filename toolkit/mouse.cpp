#include "toolkit/window_proc.h"

namespace {

struct TMouseRoute {
  TMouseEvent TControl::*Event;
  std::uint8_t Button;
};

TMouseRoute RouteOf(UINT msg) {
  switch (msg) {
    case WM_MOUSEMOVE: return {&TControl::OnMouseMove, 0};
    case WM_LBUTTONDOWN: return {&TControl::OnMouseDown, 1};
    case WM_RBUTTONDOWN: return {&TControl::OnMouseDown, 2};
    case WM_MBUTTONDOWN: return {&TControl::OnMouseDown, 3};
    case WM_LBUTTONUP: return {&TControl::OnMouseUp, 1};
    case WM_RBUTTONUP: return {&TControl::OnMouseUp, 2};
    case WM_MBUTTONUP: return {&TControl::OnMouseUp, 3};
    case WM_LBUTTONDBLCLK: return {&TControl::OnMouseDblClk, 1};
    case WM_RBUTTONDBLCLK: return {&TControl::OnMouseDblClk, 2};
    case WM_MBUTTONDBLCLK: return {&TControl::OnMouseDblClk, 3};
    case WM_MOUSEWHEEL: return {&TControl::OnMouseWheel, 0};
    default: return {nullptr, 0};
  }
}

}  // namespace

bool MouseHandler(TControl* c, TMessage& msg, LRESULT& result) {
  if (msg.Msg < WM_MOUSEFIRST || msg.Msg > WM_MOUSEWHEEL || msg.Window != c->Handle) return false;
  const TMouseRoute route = RouteOf(msg.Msg);
  if (!route.Event) return false;
  TMouseEventData mouse{};
  mouse.Button = route.Button;
  mouse.Shift = static_cast<std::uint32_t>(msg.WParam);
  if (GetKeyState(VK_MENU) < 0) mouse.Shift += kAltKey;
  mouse.X = static_cast<std::int16_t>(LOWORD(msg.LParam));
  mouse.Y = static_cast<std::int16_t>(HIWORD(msg.LParam));
  result = 0;
  const TMouseEvent& event = c->*route.Event;
  if (event) event(c, mouse);
  return mouse.StopHandling != 0;
}

void TControl::SetOnMouseDown(TMouseEvent e) {
  OnMouseDown = e;
  AttachMessageHandler(this, MouseHandler, false);
}

void TControl::SetOnMouseUp(TMouseEvent e) {
  OnMouseUp = e;
  AttachMessageHandler(this, MouseHandler, false);
}

void TControl::SetOnMouseMove(TMouseEvent e) {
  OnMouseMove = e;
  AttachMessageHandler(this, MouseHandler, false);
}

void TControl::SetOnMouseDblClk(TMouseEvent e) {
  OnMouseDblClk = e;
  AttachMessageHandler(this, MouseHandler, false);
}

void TControl::SetOnMouseWheel(TMouseEvent e) {
  OnMouseWheel = e;
  AttachMessageHandler(this, MouseHandler, false);
}

void TrackMouse(TControl* control, DWORD flags) {
  TRACKMOUSEEVENT track{};
  track.cbSize = sizeof(track);
  track.dwFlags = flags;
  track.hwndTrack = control->GetWindowHandle();
  track.dwHoverTime = HOVER_DEFAULT;
  TrackMouseEvent(&track);
}
