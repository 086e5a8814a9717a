#include "elements/window/button.h"

#include "toolkit/run_loop.h"
#include "toolkit/window_proc.h"

void TWDButton::Init() {
  Control = NewButton(ParentControl, Caption.CStr());
  Control->OnClick = MakeMethod<&TWDButton::HandleClick>(this);
  ApplyDefault();
  // A long caption wraps instead of running out of the button.
  Control->SetStyle(Control->Style | BS_MULTILINE);
  TWDWin::Init();
}

// Every button decides, so the last one initialised on a form wins.
void TWDButton::ApplyDefault() {
  TControl* form = ParentForm(Control);
  if (!AppWindow || !form) return;
  if (Default) {
    Control->IsDefaultButton = 1;
    form->DefaultButton = Control;
    Control->SetStyle(Control->Style | BS_DEFPUSHBUTTON);
    InstallDialogKeyHook(AppWindow);
  } else {
    Control->IsDefaultButton = 0;
    form->DefaultButton = nullptr;
    Control->SetStyle(Control->Style & ~static_cast<std::uint32_t>(BS_DEFPUSHBUTTON));
    RemoveDialogKeyHook(AppWindow);
  }
}

void TWDButton::HandleClick(TControl*) { FireData(onClick, Data); }
