#include "elements/window/win.h"

namespace {

// The button held during a move, from the key-state word of the previous
// notification: 0 left, 1 right, 2 middle; -1 for none or any combination.
std::int32_t HeldButtonCode(std::uint32_t shift) {
  switch (shift) {
    case MK_LBUTTON: return 0;
    case MK_RBUTTON: return 1;
    case MK_MBUTTON: return 2;
    default: return -1;
  }
}

}  // namespace

// Firing may end this element (a receiver destroys it): what follows a firing
// works only on values read before it.

void TWDWin::HandleMouseDown(TControl*, TMouseEventData& mouse) {
  LastMouse = mouse;
  const bool capture = MouseCapture != 0;
  HWND window = Control->GetWindowHandle();
  FireInteger(onMouseDown, mouse.Button - 1);
  if (capture) {
    ReleaseCapture();
    SetCapture(window);
  }
}

void TWDWin::HandleMouseMove(TControl*, TMouseEventData& mouse) {
  if (HintManager) HintManager->TrackPos(HintTool, LastMouse.X, LastMouse.Y);
  const std::int32_t code = HeldButtonCode(LastMouse.Shift);
  LastMouse = mouse;
  FireInteger(onMouseMove, code);
}

void TWDWin::HandleMouseUp(TControl*, TMouseEventData& mouse) {
  LastMouse = mouse;
  const bool capture = MouseCapture != 0;
  FireInteger(onMouseUp, mouse.Button - 1);
  if (capture) ReleaseCapture();
}

void TWDWin::HandleMouseWheel(TControl*, TMouseEventData& mouse) {
  LastMouse = mouse;
  // The distance is the signed high word alone: dividing the whole word would
  // let a held button or key in the low word pull -120 to -119.
  FireInteger(onMouseWheel, static_cast<std::int16_t>(HIWORD(mouse.Shift)));
}

void TWDWin::HandleDblClick(TControl*, TMouseEventData& mouse) {
  FireInteger(onDblClick, mouse.Button - 1);
}

void TWDWin::HandleMouseEnter(TControl*) {
  if (HintManager) HintManager->TrackOn(HintTool);
  FireNull(onMouseEnter);
}

void TWDWin::HandleMouseLeave(TControl*) {
  if (HintManager) HintManager->TrackOff(HintTool);
  FireNull(onMouseLeave);
}
