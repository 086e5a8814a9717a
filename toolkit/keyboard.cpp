#include "toolkit/run_loop.h"
#include "toolkit/wide_text.h"
#include "toolkit/window_proc.h"

std::uint32_t CurrentShiftState() {
  std::uint32_t shift = 0;
  if (GetKeyState(VK_SHIFT) < 0) shift |= kShiftKey;
  if (GetKeyState(VK_CONTROL) < 0) shift |= kControlKey;
  if (GetKeyState(VK_MENU) < 0) shift |= kAltKey;
  return shift;
}

LRESULT HandleKeyMessage(TControl* c, TMessage& msg) {
  HWND focus = GetFocus();
  if (c->Handle != focus && c->FocusHandle != focus) return 0;
  LRESULT result = 0;
  if (c->KeyHandler(c, msg, result)) return result;
  if (CurrentShiftState() & (kControlKey | kAltKey)) return CallDefaultProc(c, msg);
  if (msg.Msg == WM_CHAR) {
    // A Tab character never reaches the control: Tab moves the focus instead.
    if (msg.WParam == '\t') {
      msg.WParam = 0;
      return 0;
    }
    return CallDefaultProc(c, msg);
  }
  // With no window focused, the active window gets even plain keys as system
  // keys; Alt is not held here, so such a key-down is one like any other.
  const bool keyDown = msg.Msg == WM_KEYDOWN || (msg.Msg == WM_SYSKEYDOWN && !focus);
  TControl* form = ParentForm(c);
  if (form && form->TabNavigator && form->TabNavigator(c, msg.WParam, !keyDown)) {
    msg.WParam = 0;
    return 0;
  }
  return CallDefaultProc(c, msg);
}

bool KeyDispatcher(TControl* c, TMessage& msg, LRESULT&) {
  const std::uint32_t shift = CurrentShiftState();
  switch (msg.Msg) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      if (c->OnKeyDown) c->OnKeyDown(c, msg.WParam, shift);
      break;
    case WM_KEYUP:
    case WM_SYSKEYUP:
      if (c->OnKeyUp) c->OnKeyUp(c, msg.WParam, shift);
      break;
    case WM_CHAR:
    case WM_SYSCHAR: {
      // The window's character is UTF-16; the events take a Windows-1251 byte,
      // and a character they replace goes back to the window converted.
      const char typed = NarrowChar(static_cast<wchar_t>(msg.WParam));
      char ch = typed;
      if (c->OnChar) c->OnChar(c, ch, shift);
      if (ch != typed) msg.WParam = static_cast<WPARAM>(WideChar(ch));
      break;
    }
    default: return false;
  }
  // An event that zeroes the key swallows it.
  return msg.WParam == 0;
}

void TControl::SetOnKeyDown(TKeyEvent e) {
  OnKeyDown = e;
  KeyHandler = KeyDispatcher;
}

void TControl::SetOnKeyUp(TKeyEvent e) {
  OnKeyUp = e;
  KeyHandler = KeyDispatcher;
}

void TControl::SetOnChar(TCharEvent e) {
  OnChar = e;
  KeyHandler = KeyDispatcher;
}

namespace {

bool Pressable(TControl* button) { return button && IsVisible(button) && IsEnabled(button); }

TControl* DialogTarget(TControl* form, WPARAM key) {
  TControl* current = form->CurrentControl;
  if (key == VK_RETURN && Pressable(form->DefaultButton)) {
    if (!current || (!current->IsCancelButton && !current->IsButton) ||
        current == form->DefaultButton) {
      return form->DefaultButton;
    }
  }
  if (key == VK_ESCAPE && Pressable(form->CancelButton)) return form->CancelButton;
  if (key == VK_RETURN && (form->EnterClicksFocused || AppWindow->EnterClicksFocused) && current &&
      current->IsPushButton) {
    const UINT query = current->Actions.QueryMessage;
    if (query == 0 || Perform(current, query, 0, 0) == 0) return current;
  }
  return nullptr;
}

}  // namespace

// Runs as a method of the application window.
bool TControl::DialogKeyHook(TMessage& msg, LRESULT& result) {
  if (SavedMessageHook && SavedMessageHook(msg, result)) return true;
  if (AppTerminated) return false;
  TControl* form = IsForm ? this : CurrentControl;
  if (!form) return false;
  if (msg.Msg != WM_KEYDOWN && msg.Msg != WM_KEYUP) return false;
  if (msg.WParam != VK_RETURN && msg.WParam != VK_ESCAPE) return false;
  TControl* target = DialogTarget(form, msg.WParam);
  if (!target) return false;
  if (msg.Msg == WM_KEYDOWN) FocusControl(target);
  // The button is pressed as if by the space bar.
  SendMessageA(target->GetWindowHandle(), msg.Msg, VK_SPACE, msg.LParam);
  msg.WParam = 0;
  result = 0;
  return true;
}

void InstallDialogKeyHook(TControl* app) {
  const TMessageHook hook = MakeMethod<&TControl::DialogKeyHook>(app);
  if (app->OnMessage == hook) return;
  app->SavedMessageHook = app->OnMessage;
  app->OnMessage = hook;
}

void RemoveDialogKeyHook(TControl* app) {
  if (!(app->OnMessage == MakeMethod<&TControl::DialogKeyHook>(app))) return;
  app->OnMessage = app->SavedMessageHook;
  app->SavedMessageHook = {};
}
