#include <windows.h>

#include "tests/toolkit/window_fixture.h"

namespace {

// The default procedure of a test control class: records what the toolkit lets through.
std::vector<TMessage> passedOn;
LRESULT CALLBACK RecorderProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg >= WM_KEYFIRST && msg <= WM_KEYLAST) passedOn.push_back({hwnd, msg, wParam, lParam});
  return DefWindowProcA(hwnd, msg, wParam, lParam);
}

// Holds modifier keys down in the thread's key state for one scope.
class HeldKeys {
 public:
  explicit HeldKeys(std::initializer_list<int> keys) {
    GetKeyboardState(saved_);
    BYTE state[256];
    GetKeyboardState(state);
    for (int k : keys) state[k] = 0x80;
    SetKeyboardState(state);
  }
  ~HeldKeys() { SetKeyboardState(saved_); }

 private:
  BYTE saved_[256];
};

class Navigation : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    WNDCLASSA wc{};
    wc.lpfnWndProc = RecorderProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "Recorder";
    RegisterClassA(&wc);
    passedOn.clear();
    BuildApp();
    form_->TabNavigator = TabNavigate;
    form_->SetBoundsRect({50, 50, 350, 350});
    form_->SetVisible(true);
  }

  TControl* NewRecorder() {
    return NewControl(form_, "Recorder", WS_CHILD | WS_VISIBLE | WS_TABSTOP, false, nullptr);
  }

  void Show() {
    form_->CreateWindowHandle();
    SetForegroundWindow(form_->Handle);
  }

  static LRESULT Key(TControl* c, UINT msg, WPARAM key) {
    return SendMessageA(c->Handle, msg, key, 1);
  }

  // A key goes to whichever window has the focus, as the pump would deliver it.
  static void Press(WPARAM key) {
    HWND focus = GetFocus();
    SendMessageA(focus, WM_KEYDOWN, key, 1);
    SendMessageA(focus, WM_KEYUP, key, 0xC0000001);
  }

  static TControl* Focused() { return static_cast<TControl*>(GetPropA(GetFocus(), "SELF_")); }
};

TEST_F(Navigation, TabWrapsForwardAndShiftTabWrapsBackThroughRealFocus) {
  TControl* c1 = NewButton(form_, "1");
  TControl* c2 = NewButton(form_, "2");
  TControl* c3 = NewButton(form_, "3");
  Show();
  SetFocus(c3->Handle);
  ASSERT_EQ(Focused(), c3);
  EXPECT_EQ(form_->CurrentControl, c3);

  Press(VK_TAB);
  EXPECT_EQ(Focused(), c1);
  EXPECT_EQ(form_->CurrentControl, c1);
  Press(VK_TAB);
  EXPECT_EQ(Focused(), c2);
  {
    HeldKeys shift{VK_SHIFT};
    Press(VK_TAB);
    EXPECT_EQ(Focused(), c1);
    Press(VK_TAB);
    EXPECT_EQ(Focused(), c3);
  }
  // Arrows and page keys move too: backwards with Left, Up and PageUp.
  Press(VK_RIGHT);
  EXPECT_EQ(Focused(), c1);
  Press(VK_UP);
  EXPECT_EQ(Focused(), c3);
  Press(VK_PRIOR);
  EXPECT_EQ(Focused(), c2);
  Press(VK_NEXT);
  EXPECT_EQ(Focused(), c3);
}

// A key that reaches the form itself, none of its controls focused, hands the
// focus to the first control that can take it.
TEST_F(Navigation, KeyOnTheFormItselfFocusesItsFirstControl) {
  TControl* c1 = NewButton(form_, "1");
  TControl* c2 = NewButton(form_, "2");
  c1->SetEnabled(false);
  c2->SetEnabled(false);
  Show();
  SetFocus(form_->Handle);
  ASSERT_EQ(GetFocus(), form_->Handle) << "no control could take the focus";
  c2->SetEnabled(true);
  Key(form_, WM_KEYDOWN, VK_DOWN);
  EXPECT_EQ(Focused(), c2);
  EXPECT_EQ(form_->CurrentControl, c2);
  // With no window focused, even a plain key reaches the active form as a system key.
  SetFocus(nullptr);
  Key(form_, WM_SYSKEYDOWN, VK_TAB);
  EXPECT_EQ(Focused(), c2);
}

TEST_F(Navigation, EqualOrdersAreSkippedAndDisabledOrHiddenControlsLeftOut) {
  TControl* c1 = NewButton(form_, "1");
  TControl* c2 = NewButton(form_, "2");
  TControl* twin = NewButton(form_, "2b");
  TControl* c3 = NewButton(form_, "3");
  TControl* c4 = NewButton(form_, "4");
  twin->TabOrder = 2;
  c3->TabOrder = 3;
  c4->TabOrder = 4;
  Show();

  SetFocus(c2->Handle);
  Press(VK_TAB);
  EXPECT_EQ(Focused(), c3);
  SetFocus(twin->Handle);
  {
    HeldKeys shift{VK_SHIFT};
    Press(VK_TAB);
  }
  EXPECT_EQ(Focused(), c1);

  c3->SetEnabled(false);
  c4->SetVisible(false);
  SetFocus(c2->Handle);
  Press(VK_TAB);
  EXPECT_EQ(Focused(), c1);

  // The list itself: sorted by order, equal orders in the order they were found.
  TList* list = BuildTabList(form_);
  ASSERT_EQ(list->Count, 3);
  EXPECT_EQ(list->GetPtr<TControl>(0), c1);
  EXPECT_EQ(list->GetPtr<TControl>(1), c2);
  EXPECT_EQ(list->GetPtr<TControl>(2), twin);
  Free(list);
}

TEST_F(Navigation, TabCharacterNeverReachesTheControlAndModifiedKeysAreNotNavigated) {
  TControl* rec = NewRecorder();
  TControl* other = NewButton(form_, "O");
  Show();
  ASSERT_EQ(GetClassLongPtrA(rec->Handle, GCW_ATOM) != 0, true);
  SetFocus(rec->Handle);
  ASSERT_EQ(Focused(), rec);

  Key(rec, WM_CHAR, '\t');
  Key(rec, WM_CHAR, 'a');
  ASSERT_EQ(passedOn.size(), 1u);
  EXPECT_EQ(passedOn[0].Msg, static_cast<UINT>(WM_CHAR));
  EXPECT_EQ(passedOn[0].WParam, static_cast<WPARAM>('a'));

  passedOn.clear();
  {
    HeldKeys control{VK_CONTROL};
    Key(rec, WM_KEYDOWN, VK_TAB);
  }
  EXPECT_EQ(Focused(), rec);
  ASSERT_EQ(passedOn.size(), 1u);
  EXPECT_EQ(passedOn[0].WParam, static_cast<WPARAM>(VK_TAB));

  // The key-up of a navigation key is swallowed, other keys pass.
  passedOn.clear();
  Key(rec, WM_KEYUP, VK_TAB);
  Key(rec, WM_KEYDOWN, 'Q');
  ASSERT_EQ(passedOn.size(), 1u);
  EXPECT_EQ(passedOn[0].WParam, static_cast<WPARAM>('Q'));

  // A key message for a control that does not have the focus goes nowhere.
  passedOn.clear();
  SetFocus(other->Handle);
  Key(rec, WM_KEYDOWN, 'Q');
  EXPECT_TRUE(passedOn.empty());
}

struct KeyProbe {
  void Down(TControl*, WPARAM& key, std::uint32_t shift) {
    downs.push_back(key);
    shifts.push_back(shift);
    if (key == 'X') key = 0;
  }
  void Char(TControl*, char& c, std::uint32_t) {
    if (c == 'a') c = 'b';
  }
  std::vector<WPARAM> downs;
  std::vector<std::uint32_t> shifts;
};

TEST_F(Navigation, KeyEventsSeeTheKeyAndShiftStateAndMaySwallowOrChangeIt) {
  KeyProbe probe;
  TControl* rec = NewRecorder();
  rec->SetOnKeyDown(MakeMethod<&KeyProbe::Down>(&probe));
  rec->SetOnChar(MakeMethod<&KeyProbe::Char>(&probe));
  Show();
  SetFocus(rec->Handle);

  Key(rec, WM_KEYDOWN, 'X');
  {
    HeldKeys keys{VK_SHIFT, VK_MENU};
    Key(rec, WM_KEYDOWN, 'Y');
  }
  Key(rec, WM_CHAR, 'a');
  EXPECT_EQ(probe.downs, (std::vector<WPARAM>{'X', 'Y'}));
  EXPECT_EQ(probe.shifts, (std::vector<std::uint32_t>{0, kShiftKey | kAltKey}));
  ASSERT_EQ(passedOn.size(), 2u);
  EXPECT_EQ(passedOn[0].WParam, static_cast<WPARAM>('Y'));
  EXPECT_EQ(passedOn[1].WParam, static_cast<WPARAM>('b'));
}

TEST_F(Navigation, FocusGivenToTheApplicationWindowOrAFormGoesToTheCurrentControl) {
  NewButton(form_, "1");
  TControl* c2 = NewButton(form_, "2");
  AppWindow->SetVisible(true);
  Show();
  SetFocus(c2->Handle);
  SetFocus(nullptr);
  ASSERT_EQ(GetFocus(), nullptr);
  SetFocus(form_->Handle);
  EXPECT_EQ(Focused(), c2);
  EXPECT_EQ(AppWindow->CurrentControl, form_);
  // The application window hands the focus to its active form, which hands it on.
  SetFocus(nullptr);
  SetFocus(AppWindow->Handle);
  EXPECT_EQ(Focused(), c2);
}

class DialogKeys : public Navigation {
 protected:
  void SetUp() override {
    Navigation::SetUp();
    edit_ = NewRecorder();
    other_ = NewButton(form_, "Other");
    ok_ = NewButton(form_, "OK");
    cancel_ = NewButton(form_, "Cancel");
    for (TControl* b : {other_, ok_, cancel_}) b->OnClick = MakeMethod<&DialogKeys::Clicked>(this);
    form_->DefaultButton = ok_;
    ok_->IsDefaultButton = 1;
    form_->CancelButton = cancel_;
    cancel_->IsCancelButton = 1;
    InstallDialogKeyHook(AppWindow);
    Show();
    AppRunning = true;
    SetFocus(form_->Handle);
  }

  void Clicked(TControl* sender) { clicks.push_back(sender); }

  TControl *edit_, *other_, *ok_, *cancel_;
  std::vector<TControl*> clicks;
};

TEST_F(DialogKeys, EnterOnANonButtonFocusesAndPressesTheDefaultButton) {
  EXPECT_EQ(AppWindow->CurrentControl, form_);
  SetFocus(edit_->Handle);
  Press(VK_RETURN);
  EXPECT_EQ(clicks, (std::vector<TControl*>{ok_}));
  EXPECT_EQ(Focused(), ok_);
  // The Enter itself never reached the control.
  EXPECT_TRUE(passedOn.empty());

  // Enter on the default button presses it again.
  Press(VK_RETURN);
  EXPECT_EQ(clicks, (std::vector<TControl*>{ok_, ok_}));
}

TEST_F(DialogKeys, EnterOnAnotherButtonPressesItOnlyWhenEnterClicksFocused) {
  SetFocus(other_->Handle);
  Press(VK_RETURN);
  EXPECT_TRUE(clicks.empty());
  EXPECT_EQ(Focused(), other_);

  AppWindow->EnterClicksFocused = 1;
  Press(VK_RETURN);
  EXPECT_EQ(clicks, (std::vector<TControl*>{other_}));
}

TEST_F(DialogKeys, EscapePressesTheCancelButtonUnlessItIsDisabled) {
  SetFocus(edit_->Handle);
  Press(VK_ESCAPE);
  EXPECT_EQ(clicks, (std::vector<TControl*>{cancel_}));

  cancel_->SetEnabled(false);
  SetFocus(edit_->Handle);
  Press(VK_ESCAPE);
  EXPECT_EQ(clicks.size(), 1u);

  // Removing the hook gives the keys back to the controls.
  RemoveDialogKeyHook(AppWindow);
  passedOn.clear();
  Press(VK_RETURN);
  EXPECT_EQ(clicks.size(), 1u);
  EXPECT_EQ(passedOn.size(), 2u);
}

}  // namespace
