#include "elements/window/win.h"

// Firing may end this element: the previous hook is read before anything fires.
bool TWDWin::HandleMessage(TMessage& msg, LRESULT& result) {
  const TMessageHook previous = PrevMessageHook;
  switch (msg.Msg) {
    case WM_MOVE: FireNull(onMove); break;
    case WM_SETFOCUS: FireNull(onSetFocus); break;
    case WM_KILLFOCUS: FireNull(onKillFocus); break;
    case WM_WINDOWPOSCHANGING: CorrectResize(*reinterpret_cast<WINDOWPOS*>(msg.LParam)); break;
    case WM_MOUSEFIRST ... WM_MOUSEWHEEL:
      TrackMouse(Control, TME_LEAVE);
      HandleMouseEnter(Control);
      break;
    case WM_MOUSEHOVER: HandleMouseEnter(Control); break;
    case WM_MOUSELEAVE: {
      TControl* c = Control;
      HandleMouseLeave(c);
      TrackMouse(c, TME_HOVER);
      break;
    }
    default: break;
  }
  return previous && previous(msg, result);
}

namespace {

// Asks `point` for a correction of a pending change; the change stands unless
// the answer is an Integer.
std::int32_t CorrectedChange(const TWD_Event& point, std::int32_t change) {
  TData record;
  MakeInteger(record, change);
  AskPoint(record, point);
  return IsInteger(record) ? AsInteger(record) : change;
}

}  // namespace

void TWDWin::CorrectResize(WINDOWPOS& pos) {
  if (pos.flags & SWP_NOSIZE) return;
  const int h = Control->Height();
  if (pos.cy != h) pos.cy = CorrectedChange(readHeightDelta, pos.cy - h) + h;
  const int w = Control->Width();
  if (pos.cx != w) pos.cx = CorrectedChange(readWidthDelta, pos.cx - w) + w;
}

void TWDWin::HandleControlDestroy(TObj*) { ControlGone = 1; }

void TWDWin::HandleResize(TControl*) { FireNull(onResize); }

void TWDWin::HandleShow(TControl*) { FireNull(onShow); }
