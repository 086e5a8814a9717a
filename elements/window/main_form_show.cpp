#include "elements/window/main_form.h"

// The state and the stored geometry are applied on the first show only, after
// Init has centred the form: a stored position wins over the centring.
void TWDMainForm::HandleShow(TControl* sender) {
  if (!FirstShowDone) {
    ApplyWindowState();
    PositionStore(Control, SavePosition.View(), false);
    FirstShowDone = 1;
  }
  TWDWin::HandleShow(sender);
}

void TWDMainForm::ApplyWindowState() {
  switch (WindowState) {
    case 1: ShowWindow(Control->Handle, SW_SHOWMINNOACTIVE); break;
    case 2: ShowWindow(Control->Handle, SW_SHOWMAXIMIZED); break;
    default: break;
  }
}

// The system's own move loop runs until the button is released, as if the
// caption had been pressed.
void TWDMainForm::HandleMouseDown(TControl* sender, TMouseEventData& mouse) {
  if (DragForm) {
    ReleaseCapture();
    SendMessageA(Control->Handle, WM_SYSCOMMAND, SC_MOVE | HTCAPTION, 0);
  }
  TWDWin::HandleMouseDown(sender, mouse);
}
