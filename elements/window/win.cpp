#include "elements/window/win.h"

#include "toolkit/buffered_paint.h"

namespace {

constexpr std::uint32_t kFlatStyle = 0x8000;

// Moves the window to the top of its siblings and hides it until the
// visibility step shows it.
constexpr UINT kRaiseHidden =
    SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE | SWP_HIDEWINDOW | SWP_NOOWNERZORDER;

}  // namespace

TWDWin::TWDWin(TControl* parent) : ParentControl(parent) {
  if (parent) Color = parent->Color;
}

void TWDWin::Init() {
  TControl* c = Control;
  WindowLink = MakeMethod<&TWDWin::LinkedControl>(this);
  c->SetColor(Color);
  c->SetPosition(Left, Top);
  c->SetSize(Width, Height);
  if (Ctl3D < 2) c->SetCtl3D(Ctl3D == 0);
  SetTransparent(c, Transparent != 0);
  c->SetEnabled(Enabled != 0);
  c->SetCursor(Cursor);
  if (Flat) c->SetStyle(c->Style | kFlatStyle);
  ApplyFontProperty();
  ApplyTabOrder();
  PrevMessageHook = c->OnMessage;
  InstallEvents();
  c->SetAlign(Align);
  SetWindowPos(c->GetWindowHandle(), nullptr, 0, 0, 0, 0, kRaiseHidden);
  c->SetVisible(Visible != 0);
  c->CreateWindowHandle();
  ApplyEdgeStyle();
}

void TWDWin::ApplyTabOrder() {
  TControl* c = Control;
  if (TabOrder > 0) {
    c->SetStyle(c->Style | WS_TABSTOP);
    c->TabKeys = 1;
    // A control made without a tab stop must become one to take its place.
    c->TabStop = 1;
    c->SetTabOrder(TabOrder);
  } else {
    c->TabStop = TabOrder == 0;
  }
}

void TWDWin::InstallEvents() {
  TControl* c = Control;
  c->SetOnMouseDown(MakeMethod<&TWDWin::HandleMouseDown>(this));
  c->SetOnMouseMove(MakeMethod<&TWDWin::HandleMouseMove>(this));
  c->SetOnMouseUp(MakeMethod<&TWDWin::HandleMouseUp>(this));
  c->SetOnMouseWheel(MakeMethod<&TWDWin::HandleMouseWheel>(this));
  c->SetOnMouseDblClk(MakeMethod<&TWDWin::HandleDblClick>(this));
  c->OnMessage = MakeMethod<&TWDWin::HandleMessage>(this);
  c->OnDestroy = MakeMethod<&TWDWin::HandleControlDestroy>(this);
  c->SetOnKeyDown(MakeMethod<&TWDWin::KeyDownWrapper>(this));
  c->SetOnKeyUp(MakeMethod<&TWDWin::KeyUpWrapper>(this));
  c->SetOnChar(MakeMethod<&TWDWin::CharWrapper>(this));
  c->SetOnResize(MakeMethod<&TWDWin::HandleResize>(this));
  c->SetOnShow(MakeMethod<&TWDWin::HandleShow>(this));
}

void TWDWin::ApplyEdgeStyle() {
  if (Ctl3D != 0) return;
  switch (EdgeStyle) {
    case 1: Control->SetExStyle(0); break;
    case 2: Control->SetExStyle(WS_EX_STATICEDGE); break;
    case 3: Control->SetExStyle(WS_EX_DLGMODALFRAME); break;
    case 4: Control->SetExStyle(WS_EX_CLIENTEDGE | WS_EX_DLGMODALFRAME); break;
    default: break;
  }
}

TControl* TWDWin::LinkedControl() { return ControlGone ? nullptr : Control; }

TMethod<TControl*()>* TWDWin::WindowInterface() { return &WindowLink; }

void TWDWin::doEnabled(TData& data, std::uint16_t) {
  if (ControlGone || !Control) return;
  const bool enabled = AsFlag(data);
  if (enabled != (Control->Enabled != 0)) Control->SetEnabled(enabled);
}

void TWDWin::AttachHint(const THintOperations* manager) {
  if (!manager) {
    if (Hint.Empty()) return;
    manager = GlobalHintOperations();
    // Without a process-wide manager there is nobody to show the hint.
    if (!manager) return;
  }
  HintTool = manager->Add(Control->GetWindowHandle());
  manager->SetText(HintTool, Hint.CStr());
  HintManager = manager;
}

void TWDWin::AttachProvider(void* provider) { Provider = provider; }

namespace {

template <class Slot>
void ForgetIfMine(Slot& slot, const void* element) {
  if (slot.Data == element) slot = {};
}

}  // namespace

void TWDWin::ForgetControlEvents() {
  TControl* c = Control;
  // What was hooked before this element takes the messages back.
  if (c->OnMessage.Data == this) c->OnMessage = PrevMessageHook;
  for (TNotify* slot : {&c->OnClick, &c->OnEnter, &c->OnLeave, &c->OnChange, &c->OnSelChange,
                        &c->OnResize, &c->OnShow, &c->OnHide}) {
    ForgetIfMine(*slot, this);
  }
  for (TMouseEvent* slot :
       {&c->OnMouseDown, &c->OnMouseUp, &c->OnMouseMove, &c->OnMouseDblClk, &c->OnMouseWheel}) {
    ForgetIfMine(*slot, this);
  }
  ForgetIfMine(c->OnKeyDown, this);
  ForgetIfMine(c->OnKeyUp, this);
  ForgetIfMine(c->OnChar, this);
  ForgetIfMine(c->OnClose, this);
  ForgetIfMine(c->OnPaint, this);
  ForgetIfMine(c->OnDestroy, this);
}

// The control may still be handling one of its messages, which holds it alive
// past Free: its events must no longer lead here by then.
TWDWin::~TWDWin() {
  if (!ControlGone && Control) {
    ForgetControlEvents();
    TControl* c = Control;
    Control = nullptr;
    c->SetVisible(false);
    Free(c);
  }
  if (HintTool) HintManager->Remove(HintTool);
}
