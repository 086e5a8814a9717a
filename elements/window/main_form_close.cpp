#include "app/shell_state.h"
#include "elements/window/main_form.h"
#include "toolkit/run_loop.h"
#include "toolkit/str_list.h"

// A registered message has no constant to switch on: the inner message is
// looked at first.
bool TWDMainForm::HandleMessage(TMessage& msg, LRESULT& result) {
  if (InnerMessageId != 0 && msg.Msg == InnerMessageId) FollowOwner();
  switch (msg.Msg) {
    case WM_MOVE: FormMoved(); break;
    case WM_SIZE: FormSized(); break;
    case WM_ACTIVATE: Activated(msg.WParam); break;
    case WM_CLOSE:
      if (HandleClose(msg.LParam == 0)) return true;
      break;
    default: break;
  }
  return TWDWin::HandleMessage(msg, result);
}

// The application window stays under the form, which is what the system
// takes for the program's place on the screen. It is already gone while the
// program ends.
void TWDMainForm::FormMoved() {
  if (!OwnsApplication || !AppWindow) return;
  AppWindow->SetPosition(Control->Left(), Control->Top());
  if (MoveNotification.Empty() || !FormWindowList) return;
  // The objects are read straight from their list: the platform header renames GetObject.
  for (int i = 0; i < FormWindowList->Count; ++i) {
    PostMessageA(reinterpret_cast<HWND>(FormWindowList->Objects->Get(i)), InnerMessageId, 0, 0);
  }
}

void TWDMainForm::FormSized() {
  if (OwnsApplication && AppWindow) AppWindow->SetWidth(Control->Width());
}

void TWDMainForm::Activated(WPARAM state) {
  const auto signedState = static_cast<std::int32_t>(state);
  if (signedState > 0) FireNull(onActivate);
  if (signedState == 0) FireNull(onDeactivate);
}

void TWDMainForm::FollowOwner() {
  if (OwnsApplication || !OwnerLink || !IsWindowVisible(Control->Handle)) return;
  TControl* owner = (*OwnerLink)();
  if (!owner) return;
  MoveWindow(Control->Handle, owner->Left() + FollowOffsetX, owner->Top() + FollowOffsetY,
             Control->Width(), Control->Height(), TRUE);
}

// A close asked by the user may be refused; a close passed down from the
// owning form (lParam 1) may not. The answer 0 lets the toolkit's own close
// handling go on, which for the main form ends the run loop.
bool TWDMainForm::HandleClose(bool userClose) {
  if (userClose && QueryInteger(readClose) != 0) return true;
  CloseChildForms();
  if (OwnsApplication) {
    FireNull(onClose);
    // From here on nothing fired reaches any element.
    DisableDispatch();
  }
  PositionStore(Control, SavePosition.View(), true);
  return false;
}

// The windows are taken first: a form closed here may take its object out of
// the list of children.
void TWDMainForm::CloseChildForms() {
  TList* forms = NewList();
  TList* children = Control->Children;
  for (int i = 0; i < children->Count; ++i) {
    TControl* child = children->GetPtr<TControl>(i);
    if (child->IsForm && child->Handle) forms->AddPtr(child->Handle);
  }
  for (int i = 0; i < forms->Count; ++i) {
    HWND window = forms->GetPtr<HWND__>(i);
    if (IsWindow(window)) SendMessageA(window, WM_CLOSE, 0, 1);
  }
  Free(forms);
}
