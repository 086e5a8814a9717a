#include <cstdlib>

#include "toolkit/paint.h"
#include "toolkit/run_loop.h"
#include "toolkit/window_proc.h"

namespace {

// Gives the keyboard focus to a form's current control, creating its window if needed.
bool FocusCurrentControl(TControl* form) {
  if (!form->CurrentControl) return false;
  SetFocus(form->CurrentControl->GetWindowHandle());
  return true;
}

bool AppletSysCommand(TControl* app, TMessage& msg, LRESULT& result) {
  if ((msg.WParam & 0xFFF0) != SC_CLOSE) return false;
  TControl* first = app->Children->GetPtr<TControl>(0);
  if (first && first->Handle && IsMainForm(first)) PostMessageA(first->Handle, WM_CLOSE, 0, 0);
  result = 0;
  return true;
}

bool FormSetFocus(TControl* form) {
  const bool handled = FocusCurrentControl(form);
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

bool ControlSetFocus(TControl* c, LRESULT& result) {
  result = 0;
  TControl* form = ParentForm(c);
  if (!form) return true;
  form->CurrentControl = c;
  return false;
}

bool ReflectedCommand(TControl* c, TMessage& msg, LRESULT& result) {
  const std::uint16_t code = HIWORD(msg.WParam);
  const TControlActions& a = c->Actions;
  if (code == a.ClickCode) {
    if (c->FocusLock == 0 && c->OnClick) c->OnClick(c);
  } else if (code == a.EnterCode) {
    if (c->OnEnter) c->OnEnter(c);
  } else if (code == a.LeaveCode) {
    if (c->OnLeave) c->OnLeave(c);
  } else if (code == static_cast<std::uint16_t>(a.ChangeCode)) {
    if (c->OnChange) c->OnChange(c);
  } else if (code == static_cast<std::uint16_t>(a.SelChangeCode)) {
    TNotify notify = c->OnSelChange ? c->OnSelChange : c->OnChange;
    if (notify) notify(c);
  } else {
    return false;
  }
  result = CallDefaultProc(c, msg);
  return true;
}

bool ReflectedColor(TControl* c, TMessage& msg, LRESULT& result) {
  HDC dc = reinterpret_cast<HDC>(msg.WParam);
  SetTextColor(dc, ColorToRGB(c->TextColor));
  if (c->Transparent) {
    SetBkMode(dc, TRANSPARENT);
    result = reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
  } else {
    SetBkMode(dc, OPAQUE);
    SetBkColor(dc, ColorToRGB(c->Color));
    result = reinterpret_cast<LRESULT>(BrushHandle(c));
  }
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

bool FormHandler(TControl* form, TMessage& msg, LRESULT&) {
  switch (msg.Msg) {
    case WM_SETFOCUS: return FormSetFocus(form);
    case WM_ENDSESSION: return FormEndSession(msg);
    default: return false;
  }
}

bool ControlDefaultHandler(TControl* c, TMessage& msg, LRESULT& result) {
  switch (msg.Msg) {
    case WM_SETFOCUS: return ControlSetFocus(c, result);
    case MSG_REFLECTED_COMMAND: return ReflectedCommand(c, msg, result);
    case MSG_REFLECTED_CTLCOLOR_FIRST ... MSG_REFLECTED_CTLCOLOR_LAST:
      return ReflectedColor(c, msg, result);
    default: return false;
  }
}

bool ShowHideHandler(TControl* c, TMessage& msg, LRESULT&) {
  if (msg.Msg != WM_SHOWWINDOW || msg.Window != c->Handle) return false;
  // When the owner hides or shows this window, the window first hears the owner's
  // notice and then, as it really changes, its own: one change is announced once.
  const std::uint8_t notice = msg.WParam ? 1 : 2;
  if (msg.LParam == 0 && c->OwnerShowNotice == notice) return false;
  if (msg.LParam != 0) c->OwnerShowNotice = notice;
  const bool wasVisible = IsWindowVisible(c->Handle) != 0;
  if (msg.WParam) {
    c->Visible = 1;
    if (!wasVisible && c->OnShow) c->OnShow(c);
  } else {
    c->Visible = 0;
    if (wasVisible && c->OnHide) c->OnHide(c);
  }
  return false;
}

bool ResizeHandler(TControl* c, TMessage& msg, LRESULT&) {
  if (msg.Msg == WM_SIZE && c->OnResize) c->OnResize(c);
  return false;
}

void TControl::SetOnResize(TNotify e) {
  OnResize = e;
  AttachMessageHandler(this, ResizeHandler, false);
}

void TControl::SetOnShow(TNotify e) {
  OnShow = e;
  AttachMessageHandler(this, ShowHideHandler, false);
}

void TControl::SetOnHide(TNotify e) {
  OnHide = e;
  AttachMessageHandler(this, ShowHideHandler, false);
}
