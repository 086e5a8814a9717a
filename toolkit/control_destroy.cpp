#include "toolkit/control.h"
#include "toolkit/self_binding.h"

// Teardown order matters: the object leaves its form's focus slot and hides
// before anyone is notified, the children go before the window they live in, and
// the parent forgets this object only at the very end.
TControl::~TControl() {
  TControl* form = ParentForm(Parent);
  if (form && form->CurrentControl == this) form->CurrentControl = nullptr;
  if (Handle && !WindowGone) ShowWindow(Handle, SW_HIDE);
  RunDestroyNotices();

  for (int i = Children->Count - 1; i >= 0; --i) {
    if (i < Children->Count) Free(Children->GetPtr<TControl>(i));
  }
  // A child whose release is deferred by a reference outlives this object: it
  // must not reach back into a parent that is gone.
  for (int i = 0; i < Children->Count; ++i) Children->GetPtr<TControl>(i)->Parent = nullptr;
  Children->Clear();

  if (!Destroying) {
    Destroying = 1;
    ReleaseWindowResources();
  }
  ReleaseOwnedMemory();
}

void TControl::ReleaseWindowResources() {
  if (Handle) {
    if (AccelTable) {
      DestroyAcceleratorTable(AccelTable);
      AccelTable = nullptr;
    }
    if (IsWindow(Handle)) {
      HICON icon = reinterpret_cast<HICON>(SendMessageA(Handle, WM_SETICON, ICON_BIG, 0));
      if (icon && !IconShared) DestroyIcon(icon);
    }
    if (!WindowGone) DestroyWindow(Handle);
    // A window whose last message never reached the toolkit (a foreign
    // subclass swallowed it) would leave this object in the lookup mirror, to
    // be found again by a later window that gets the same handle value.
    if (SelfOf(Handle) == this) ForgetSelf(Handle);
    Handle = nullptr;
  }
}

// What only this object holds, no window calls: this also runs for an object
// freed by MSG_FREE_SELF, which leaves its window alone but must not leave its
// parent holding a dangling reference or leak its texts, tools, brush and lists.
void TControl::ReleaseOwnedMemory() {
  if (ClassNameOwned) {
    FreeAlloc(const_cast<char*>(ControlClassName));
    ControlClassName = nullptr;
    ClassNameOwned = 0;
  }
  // A child's copy may keep a tool alive beyond this object: it must not call back here.
  if (Font) Font->OnChange = {};
  if (Brush) Brush->OnChange = {};
  FreeAndNil(Font);
  FreeAndNil(Brush);
  DeleteBufferBitmap();
  if (CachedBrush) {
    DeleteObject(CachedBrush);
    CachedBrush = nullptr;
  }
  FreeAlloc(Caption);
  Caption = nullptr;
  if (Parent) {
    Parent->Children->RemovePtr(this);
    if (Parent->CurrentControl == this) Parent->CurrentControl = nullptr;
  }
  // A form must not press a button that is gone.
  if (TControl* form = ParentForm(Parent)) {
    if (form->DefaultButton == this) form->DefaultButton = nullptr;
    if (form->CancelButton == this) form->CancelButton = nullptr;
  }
  FreeAndNil(Children);
  FreeAndNil(MessageHandlers);
}
