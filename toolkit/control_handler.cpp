#include "toolkit/paint.h"
#include "toolkit/window_proc.h"

// The handler of every child control: focus tracking, and the notifications and
// colour requests its parent reflects back to it.

namespace {

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
    result = reinterpret_cast<LRESULT>(BrushHook(c));
  }
  return true;
}

}  // namespace

bool ControlDefaultHandler(TControl* c, TMessage& msg, LRESULT& result) {
  switch (msg.Msg) {
    case WM_SETFOCUS: return ControlSetFocus(c, result);
    case MSG_REFLECTED_COMMAND: return ReflectedCommand(c, msg, result);
    case MSG_REFLECTED_CTLCOLOR_FIRST ... MSG_REFLECTED_CTLCOLOR_LAST:
      return ReflectedColor(c, msg, result);
    default: return false;
  }
}
