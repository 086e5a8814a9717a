#include "toolkit/self_binding.h"

#include "toolkit/control.h"

namespace {

// Pairs of window and object; made with the first binding and freed with the
// last, so that no list outlives the windows.
TList* Bindings = nullptr;

int IndexOfWindow(HWND window) {
  if (!Bindings || !window) return -1;
  const auto key = reinterpret_cast<TListValue>(window);
  for (int i = 0; i < Bindings->Count; i += 2) {
    if (Bindings->Items[i] == key) return i;
  }
  return -1;
}

}  // namespace

void BindSelf(HWND window, TControl* control) {
  // The mirror holds what the property holds: nothing when it could not be set.
  if (!SetPropA(window, kSelfProp, control)) return;
  const int at = IndexOfWindow(window);
  if (at >= 0) {
    Bindings->Items[at + 1] = reinterpret_cast<TListValue>(control);
    return;
  }
  if (!Bindings) Bindings = NewList();
  Bindings->AddPtr(window);
  Bindings->AddPtr(control);
}

void UnbindSelf(HWND window) {
  RemovePropA(window, kSelfProp);
  ForgetSelf(window);
}

void ForgetSelf(HWND window) {
  const int at = IndexOfWindow(window);
  if (at < 0) return;
  Bindings->DeleteRange(at, 2);
  if (Bindings->Count == 0) FreeAndNil(Bindings);
}

TControl* SelfOf(HWND window) {
  const int at = IndexOfWindow(window);
  return at < 0 ? nullptr : Bindings->GetPtr<TControl>(at + 1);
}
