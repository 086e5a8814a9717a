#include "toolkit/run_loop.h"
#include "toolkit/self_binding.h"
#include "toolkit/window_proc.h"

namespace {

LRESULT OnSize(TControl* c, TMessage& msg) {
  const LRESULT result = CallDefaultProc(c, msg);
  if (msg.WParam <= SIZE_MAXIMIZED) c->WindowState = static_cast<std::uint8_t>(msg.WParam);
  if (!c->IsForm && c->Parent) RealignHook(c->Parent);
  RealignHook(c);
  return result;
}

LRESULT OnSetFocus(TControl* c, TMessage& msg) {
  if (!IsEnabled(c) || !c->TabStop) return 0;
  // Raised around the focus changes so that a button's focus notification is no click.
  ++c->FocusLock;
  SetFocus(c->Handle);
  --c->FocusLock;
  ++c->FocusLock;
  const LRESULT result = CallDefaultProc(c, msg);
  --c->FocusLock;
  return result;
}

LRESULT OnClose(TControl* c, TMessage& msg) {
  bool accept = true;
  if (c->OnClose) c->OnClose(c, accept);
  // The close is asked only once.
  if (accept || !AppRunning) c->OnClose = {};
  if (!accept && AppRunning) return 0;
  if (IsMainForm(c) || c == AppWindow) {
    if (AppWindow && AppWindow != c) SendMessageA(AppWindow->Handle, WM_CLOSE, 0, 0);
    PostQuitMessage(0);
    return 0;
  }
  return CallDefaultProc(c, msg);
}

LRESULT OnSetCursor(TControl* c, TMessage& msg) {
  if (!GetCapture() && LOWORD(msg.LParam) == HTCLIENT && c->Cursor) {
    SetCursor(c->Cursor);
    return 1;
  }
  return CallDefaultProc(c, msg);
}

// After this the object may be gone: nothing of it is touched on the freeing paths.
LRESULT OnNcDestroy(TControl* c, TMessage& msg) {
  UnbindSelf(msg.Window);
  // An unbound window's messages reach the application window: the end of that
  // window is not the end of this object's own.
  if (msg.Window != c->Handle) return CallDefaultProc(c, msg);
  // The platform is destroying the window: the object must not destroy it again.
  c->WindowGone = 1;
  // The object's own destruction is what destroys the window: it is going already.
  if (c->BeingDestroyed()) return CallDefaultProc(c, msg);
  if (AppWindow && AppWindow->Handle == msg.Window) return 0;
  if (IsMainForm(c)) {
    const LRESULT result = CallDefaultProc(c, msg);
    // The object is freed later, once whoever destroyed the window is done with it.
    // A message posted to the dying window itself would be purged with it, so the
    // request goes through the application window; without one it is done now.
    if (AppWindow && AppWindow != c && AppWindow->Handle) {
      PostMessageA(AppWindow->Handle, MSG_FREE_SELF, 0, reinterpret_cast<LPARAM>(c));
    } else {
      c->Destroying = 1;
      Free(c);
    }
    return result;
  }
  if (c->Parent == AppWindow) {
    Free(c);
    return 0;
  }
  return CallDefaultProc(c, msg);
}

LRESULT OnCommand(TControl* c, TMessage& msg) {
  HWND child = reinterpret_cast<HWND>(msg.LParam);
  if (child && SelfOf(child)) {
    return SendMessageA(child, MSG_REFLECTED_COMMAND, msg.WParam, msg.LParam);
  }
  return CallDefaultProc(c, msg);
}

LRESULT OnSysCommand(TControl* c, TMessage& msg) {
  if ((msg.WParam & 0xFFF0) == SC_MINIMIZE && IsMainForm(c) && c != AppWindow && AppWindow) {
    PostMessageA(AppWindow->Handle, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    return 0;
  }
  return CallDefaultProc(c, msg);
}

LRESULT OnCtlColor(TMessage& msg) {
  return SendMessageA(reinterpret_cast<HWND>(msg.LParam), msg.Msg + 0xBC00, msg.WParam, msg.LParam);
}

// lParam names a child of this object whose window is gone; 0 means the object itself.
LRESULT OnFreeSelf(TControl* c, TMessage& msg) {
  TControl* target = c;
  if (msg.LParam) {
    target = reinterpret_cast<TControl*>(msg.LParam);
    // The child may have been freed by its owner since the request was posted.
    if (c->Children->IndexOfPtr(target) < 0) return 0;
  }
  // A window that outlives its object must not lead its next message to freed memory.
  if (target->Handle && SelfOf(target->Handle) == target) UnbindSelf(target->Handle);
  target->Destroying = 1;
  Free(target);
  return 0;
}

LRESULT DispatchOwnMessage(TControl* c, TMessage& msg) {
  switch (msg.Msg) {
    case WM_SIZE: return OnSize(c, msg);
    case WM_SETFOCUS: return OnSetFocus(c, msg);
    case WM_CLOSE: return OnClose(c, msg);
    case WM_SHOWWINDOW: return HandleShowWindow(c, msg);
    case WM_SETCURSOR: return OnSetCursor(c, msg);
    case WM_NCDESTROY: return OnNcDestroy(c, msg);
    case WM_KEYFIRST ... 0x108: return HandleKeyMessage(c, msg);
    case WM_COMMAND: return OnCommand(c, msg);
    case WM_SYSCOMMAND: return OnSysCommand(c, msg);
    case WM_CTLCOLORMSGBOX ... WM_CTLCOLORSTATIC: return OnCtlColor(msg);
    case MSG_FREE_SELF: return OnFreeSelf(c, msg);
    default: return CallDefaultProc(c, msg);
  }
}

}  // namespace

namespace {

// The hooks, the handlers and the message switch, in that order; the first
// that handles the message ends it. A hook that freed the object during this
// message ends it too: the object is only kept for the caller to release.
LRESULT Dispatch(TControl* c, TMessage& msg) {
  LRESULT result = 0;
  const bool freedBefore = c->ReleaseRequested();
  const auto freedNow = [&] { return !freedBefore && c->ReleaseRequested(); };
  if (msg.Window && !c->Handle) c->Handle = msg.Window;
  if (PreDispatchHook(c, msg, result) || freedNow()) return result;
  if (AppRunning && AppWindow && AppWindow != c && AppWindow->OnMessage &&
      (AppWindow->OnMessage(msg, result) || freedNow())) {
    return result;
  }
  if (c->OnMessage && (c->OnMessage(msg, result) || freedNow())) return result;
  if (c->HandlerChain(c, msg, result)) return result;
  return DispatchOwnMessage(c, msg);
}

}  // namespace

LRESULT TControl::WndProc(TMessage& msg) {
  // Whatever runs for this message may free the object; it lives until the end.
  AddRef();
  const LRESULT result = Dispatch(this, msg);
  Release();
  return result;
}
