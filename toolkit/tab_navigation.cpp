#include "toolkit/window_proc.h"

bool TakesFocus(TControl* c) {
  return c->TabStop && c->Enabled && IsVisible(c) && (c->Style & WS_TABSTOP);
}

namespace {

// Every navigation key a child control is made with.
constexpr std::uint32_t kAllNavigationKeys = 15;

// Depth first in list order; sorted by TabOrder, equal orders keep discovery order.
void CollectTabStops(TControl* parent, TList* list) {
  for (int i = 0; i < parent->Children->Count; ++i) {
    TControl* child = parent->Children->GetPtr<TControl>(i);
    if (TakesFocus(child)) {
      int at = 0;
      while (at < list->Count && list->GetPtr<TControl>(at)->TabOrder <= child->TabOrder) ++at;
      list->Insert(at, reinterpret_cast<TListValue>(child));
    }
    if (child->Enabled) CollectTabStops(child, list);
  }
}

bool NavigationKeyAllowed(std::uint32_t tabKeys, WPARAM key) {
  switch (key) {
    case VK_TAB: return tabKeys & 0x01;
    case VK_LEFT:
    case VK_RIGHT: return tabKeys & 0x02;
    case VK_UP:
    case VK_DOWN: return tabKeys & 0x04;
    case VK_PRIOR:
    case VK_NEXT: return tabKeys & 0x08;
    default: return false;
  }
}

void MoveFocus(TControl* form, TControl* target) {
  if (target->Handle) {
    ++target->FocusLock;
    SetFocus(target->Handle);
    --target->FocusLock;
  }
  form->CurrentControl = target;
}

}  // namespace

TList* BuildTabList(TControl* form) {
  TList* list = NewList();
  CollectTabStops(form, list);
  return list;
}

bool TabNavigate(TControl* control, WPARAM key, bool notKeyDown) {
  // The key reached the form itself: none of its controls has the focus, and
  // the form, which has no Tab keys of its own, hands it to its first control.
  const bool onForm = control->IsForm;
  if (!NavigationKeyAllowed(onForm ? kAllNavigationKeys : control->TabKeys, key)) return false;
  if (notKeyDown) return true;
  if (onForm) {
    FocusFirst(control);
    return true;
  }
  bool forwards;
  if (key == VK_TAB) {
    forwards = (GetKeyState(VK_SHIFT) & 0x8000) == 0;
  } else {
    forwards = key == VK_NEXT || key == VK_RIGHT || key == VK_DOWN;
  }
  FocusNext(ParentForm(control), forwards);
  return true;
}

void FocusNext(TControl* form, bool forwards) {
  if (!form) return;
  TList* list = BuildTabList(form);
  const int cur = form->CurrentControl ? form->CurrentControl->TabOrder : 0;
  TControl* next = nullptr;
  TControl* wrap = nullptr;
  for (int i = 0; i < list->Count; ++i) {
    TControl* c = list->GetPtr<TControl>(i);
    const int order = c->TabOrder;
    if (order == cur) continue;
    if (forwards) {
      if (order > cur && (!next || order < next->TabOrder)) next = c;
      if (!wrap || order < wrap->TabOrder) wrap = c;
    } else {
      if (order < cur && (!next || order > next->TabOrder)) next = c;
      if (!wrap || order > wrap->TabOrder) wrap = c;
    }
  }
  TControl* target = next ? next : wrap;
  if (target) MoveFocus(form, target);
  Free(list);
}

// The head of the sorted tab list: smallest order, first found on ties, the
// control FocusNext forwards takes when nothing is current.
bool FocusFirst(TControl* form) {
  TList* list = BuildTabList(form);
  TControl* first = list->Count > 0 ? list->GetPtr<TControl>(0) : nullptr;
  Free(list);
  if (first) MoveFocus(form, first);
  return first != nullptr;
}

void TControl::SetTabOrder(std::int32_t order) {
  if (order == TabOrder) return;
  TControl* form = ParentForm(this);
  if (form) {
    TList* list = BuildTabList(form);
    for (int i = 0; i < list->Count; ++i) {
      TControl* c = list->GetPtr<TControl>(i);
      if (c->TabOrder >= order) ++c->TabOrder;
    }
    Free(list);
  }
  TabOrder = order;
}
