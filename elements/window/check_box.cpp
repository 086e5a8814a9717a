#include "elements/window/check_box.h"

TWDCheckBox::TWDCheckBox(TControl* parent) : TWDWin(parent) {
  Control = NewCheckBox(parent, "CheckBox");
  Control->OnClick = MakeMethod<&TWDCheckBox::HandleClick>(this);
}

void TWDCheckBox::SetChecked(std::uint8_t value) {
  Perform(Control, BM_SETCHECK, value == 0 ? BST_CHECKED : BST_UNCHECKED, 0);
}

void TWDCheckBox::SetCaption(const TText& caption) { Control->SetCaption(caption.CStr()); }

std::int32_t TWDCheckBox::CheckState() { return Perform(Control, BM_GETCHECK, 0, 0) != 0 ? 1 : 0; }

// The system has toggled the box before it reports the click.
void TWDCheckBox::HandleClick(TControl*) {
  FireInteger(onCheck, CheckState());
  FireInteger(onClick, CheckState());
}
