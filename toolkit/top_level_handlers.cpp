#include <cstdlib>

#include "toolkit/run_loop.h"
#include "toolkit/window_proc.h"

// The handlers of the top-level windows: the application window and the forms.

namespace {

// Gives the keyboard focus to a form's current control, creating its window if needed.
bool FocusCurrentControl(TControl* form) {
  if (!form->CurrentControl) return false;
  SetFocus(form->CurrentControl->GetWindowHandle());
  return true;
}

}  // namespace

// --- The application window.

namespace {

bool AppletSysCommand(TControl* app, TMessage& msg, LRESULT& result) {
  if ((msg.WParam & 0xFFF0) != SC_CLOSE) return false;
  TControl* first = app->Children->GetPtr<TControl>(0);
  if (first && first->Handle && IsMainForm(first)) PostMessageA(first->Handle, WM_CLOSE, 0, 0);
  result = 0;
  return true;
}

}  // namespace

bool AppletHandler(TControl* app, TMessage& msg, LRESULT& result) {
  switch (msg.Msg) {
    case WM_SETFOCUS: FocusCurrentControl(app); return true;
    case WM_SYSCOMMAND: return AppletSysCommand(app, msg, result);
    default: return false;
  }
}

// --- Forms.

namespace {

// A current control that cannot take the focus (disabled, hidden, no tab stop)
// would leave it on the form, where Tab reaches no control: the first control
// of the tab list takes it instead and becomes current.
bool FocusFormControl(TControl* form) {
  TControl* current = form->CurrentControl;
  if (current && !TakesFocus(current) && FocusFirst(form)) return true;
  return FocusCurrentControl(form);
}

bool FormSetFocus(TControl* form) {
  const bool handled = FocusFormControl(form);
  if (AppWindow && AppWindow != form) AppWindow->CurrentControl = form;
  return handled;
}

// Log-off: the process leaves at once through the normal exit path.
bool FormEndSession(TMessage& msg) {
  if (msg.WParam == 0) return false;
  AppTerminated = true;
  AppRunning = false;
  TControl* app = AppWindow;
  AppWindow = nullptr;
  Free(app);
  ProgramExit(0);
  // An exit path that returns cannot be honoured: the application window is gone.
  std::exit(0);
}

}  // namespace

bool FormHandler(TControl* form, TMessage& msg, LRESULT&) {
  switch (msg.Msg) {
    case WM_SETFOCUS: return FormSetFocus(form);
    case WM_ENDSESSION: return FormEndSession(msg);
    default: return false;
  }
}
