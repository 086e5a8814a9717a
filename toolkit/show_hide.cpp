#include "toolkit/window_proc.h"

// Show and hide bookkeeping: a window hidden and shown again with its owner comes
// back as it was, and OnShow/OnHide hear of each change once. The owner's notice
// (lParam set) and the window's own notice of the same change meet in
// OwnerShowNotice.

namespace {

LRESULT ShowOnOwnersNotice(TControl* c, TMessage& msg) {
  if (msg.LParam == SW_PARENTCLOSING) {
    c->RestoreShowCmd = IsIconic(c->Handle)   ? SW_SHOWMINNOACTIVE
                        : IsZoomed(c->Handle) ? SW_SHOWMAXIMIZED
                                              : SW_SHOWNOACTIVATE;
  } else if (msg.LParam == SW_PARENTOPENING && c->RestoreShowCmd) {
    ShowWindow(c->Handle, c->RestoreShowCmd);
    c->RestoreShowCmd = 0;
    return 0;
  }
  return CallDefaultProc(c, msg);
}

}  // namespace

LRESULT HandleShowWindow(TControl* c, TMessage& msg) {
  const LRESULT result = ShowOnOwnersNotice(c, msg);
  // The window's own notice of the change, if any, has come and gone.
  c->OwnerShowNotice = 0;
  return result;
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

void TControl::SetOnShow(TNotify e) {
  OnShow = e;
  AttachMessageHandler(this, ShowHideHandler, false);
}

void TControl::SetOnHide(TNotify e) {
  OnHide = e;
  AttachMessageHandler(this, ShowHideHandler, false);
}
