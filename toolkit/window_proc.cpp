#include "toolkit/window_proc.h"

#include "toolkit/buffered_paint.h"
#include "toolkit/run_loop.h"
#include "toolkit/self_binding.h"

namespace {

// The attached-handler dispatcher: the value of HandlerChain once a handler is attached.
bool RunAttachedHandlers(TControl* control, TMessage& msg, LRESULT& result) {
  if (control->RefCount < 0 || control->BeingDestroyed()) return false;
  if (control->MessageHandlers->Count == 0) return false;
  // The reference keeps the object alive while a handler frees it.
  control->AddRef();
  bool handled = false;
  TList* handlers = control->MessageHandlers;
  for (int i = handlers->Count - 2; i >= 0 && !handled; i -= 2) {
    if (AppTerminated && handlers->Get(i + 1) == 0) continue;
    handled = reinterpret_cast<THandlerProc>(handlers->Get(i))(control, msg, result);
  }
  if (control->RefCount & 1) handled = true;
  control->Release();
  return handled;
}

bool NoPreDispatch(TControl*, TMessage&, LRESULT&) { return false; }

}  // namespace

THandlerProc PreDispatchHook = NoPreDispatch;

bool NotHandled(TControl*, TMessage&, LRESULT&) { return false; }

LRESULT CALLBACK GlobalWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  TControl* self = nullptr;
  if (hwnd) {
    if (CreatingControl) {
      // The first message of a window being created binds it to its object.
      self = CreatingControl;
      CreatingControl = nullptr;
      self->Handle = hwnd;
      BindSelf(hwnd, self);
    } else {
      self = SelfOf(hwnd);
    }
  }
  TMessage record{hwnd, msg, wParam, lParam};
  LRESULT result;
  if (self) {
    result = self->WndProc(record);
  } else if (AppWindow) {
    result = AppWindow->WndProc(record);
  } else {
    return DefWindowProcW(hwnd, msg, wParam, lParam);
  }
  // Whatever handled the last message, the window is gone after it.
  if (msg == WM_NCDESTROY) ForgetSelf(hwnd);
  return result;
}

void AttachMessageHandler(TControl* control, THandlerProc handler, bool runDuringShutdown) {
  if (!control->MessageHandlers) control->MessageHandlers = NewList();
  TList* handlers = control->MessageHandlers;
  const TListValue code = reinterpret_cast<TListValue>(handler);
  for (int i = 0; i < handlers->Count; i += 2) {
    if (handlers->Get(i) == code) return;
  }
  handlers->Add(code);
  handlers->Add(runDuringShutdown ? 1 : 0);
  control->HandlerChain = RunAttachedHandlers;
}

LRESULT CallDefaultProc(TControl* control, const TMessage& msg) {
  if (control->DefWindowProc) {
    return CallWindowProcW(control->DefWindowProc, control->Handle, msg.Msg, msg.WParam,
                           msg.LParam);
  }
  return DefWindowProcW(msg.Window, msg.Msg, msg.WParam, msg.LParam);
}

bool IsMainForm(TControl* control) {
  if (control->IsControl) return false;
  TControl* parent = control->Parent;
  if (!parent) return control == AppWindow || !AppletCreated;
  if (parent->Parent) return false;
  return parent->Children->GetPtr<TControl>(0) == control;
}

bool IsEnabled(TControl* control) {
  if (control->Handle) return IsWindowEnabled(control->Handle);
  return (control->Style & WS_DISABLED) == 0;
}

bool IsVisible(TControl* control) {
  const bool visible = control->Visible || control->ShowPending;
  TControl* parent = control->Parent;
  if (!control->IsControl || !parent) return visible;
  if (!parent->IsControl && parent->Handle) parent->Visible = IsWindowVisible(parent->Handle) != 0;
  return visible && IsVisible(parent);
}

void FocusControl(TControl* control) {
  if (control->IsControl) {
    if (TControl* form = ParentForm(control)) form->CurrentControl = control;
    SetFocus(control->GetWindowHandle());
  } else {
    SetForegroundWindow(control->GetWindowHandle());
  }
}

LRESULT CALLBACK ChildSubclassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if ((msg == WM_ERASEBKGND || msg == WM_NCPAINT) && !SelfOf(hwnd)) {
    TControl* parent = SelfOf(GetParent(hwnd));
    TControl* owner = parent ? BufferOwner(parent) : nullptr;
    // A foreign child of a control painted through a buffer leaves its background
    // and frame to that buffer, except while the buffer itself is being drawn.
    if (owner && !owner->PaintingToBuffer) return msg == WM_ERASEBKGND ? 1 : 0;
  }
  auto previous = reinterpret_cast<WNDPROC>(GetPropA(hwnd, kPrevProcProp));
  if (!previous) return 0;
  const LRESULT result = CallWindowProcW(previous, hwnd, msg, wParam, lParam);
  if (msg == WM_NCDESTROY) RemovePropA(hwnd, kPrevProcProp);
  return result;
}
