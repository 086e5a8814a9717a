#include <string_view>

#include "elements/window/win.h"

// The parent control sees every key first when KeyPreview is set (a form sees
// the keys of its buttons); a parent that zeroes the key ends the matter.
// KeyOverride is -1 while the element's own event runs; a receiver that sets
// it to a value >= 0 replaces the key.

void TWDWin::HandleKeyDown(TControl*, WPARAM& key, std::uint32_t) {
  FireInteger(onKeyDown, static_cast<std::int32_t>(key));
}

void TWDWin::HandleKeyUp(TControl*, WPARAM& key, std::uint32_t) {
  FireInteger(onKeyUp, static_cast<std::int32_t>(key));
}

void TWDWin::HandleChar(TControl*, char& c, std::uint32_t) {
  FireText(onChar, TText(std::string_view(&c, 1)));
}

void TWDWin::KeyDownWrapper(TControl* sender, WPARAM& key, std::uint32_t shift) {
  if (KeyPreview && ParentControl && ParentControl->OnKeyDown) {
    ParentControl->OnKeyDown(ParentControl, key, shift);
    if (key == 0) return;
  }
  KeyOverride = -1;
  HandleKeyDown(sender, key, shift);
  if (KeyOverride >= 0) {
    key = static_cast<WPARAM>(KeyOverride);
  } else if (key == 0) {
    // A key swallowed here swallows its character too.
    KeyOverride = 0;
  }
}

void TWDWin::KeyUpWrapper(TControl* sender, WPARAM& key, std::uint32_t shift) {
  if (KeyPreview && ParentControl && ParentControl->OnKeyUp) {
    ParentControl->OnKeyUp(ParentControl, key, shift);
    if (key == 0) return;
  }
  KeyOverride = -1;
  HandleKeyUp(sender, key, shift);
  if (KeyOverride >= 0) key = static_cast<WPARAM>(KeyOverride);
}

void TWDWin::CharWrapper(TControl* sender, char& c, std::uint32_t shift) {
  if (KeyPreview && ParentControl && ParentControl->OnChar) {
    ParentControl->OnChar(ParentControl, c, shift);
    if (c == 0) return;
  }
  // KeyOverride 0 left by the key-down: its character is not reported.
  if (KeyOverride != 0) {
    KeyOverride = -1;
    HandleChar(sender, c, shift);
  }
  if (KeyOverride >= 0) c = static_cast<char>(KeyOverride & 0xFF);
}
