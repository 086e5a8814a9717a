#include <cstring>
#include <memory>
#include <new>

#include "tests/elements/window/element_fixture.h"

namespace {

// Stands before the element as the control's earlier hook: counts the mouse
// messages that were passed on.
struct EarlierHook {
  bool OnMessage(TMessage& msg, LRESULT&) {
    if (msg.Msg >= WM_MOUSEFIRST && msg.Msg <= WM_MOUSEWHEEL) ++mouseMessages;
    return false;
  }
  int mouseMessages = 0;
};

class Input : public ElementTest {
 protected:
  void SetUp() override {
    ElementTest::SetUp();
    button_.reset(NewButtonElement(form_));
    button_->Control->OnMessage = MakeMethod<&EarlierHook::OnMessage>(&hook_);
    for (auto [point, name] : {std::pair{&button_->onMouseDown, "down"},
                               {&button_->onMouseMove, "move"},
                               {&button_->onMouseUp, "up"},
                               {&button_->onMouseWheel, "wheel"},
                               {&button_->onMouseEnter, "enter"},
                               {&button_->onMouseLeave, "leave"},
                               {&button_->onKeyDown, "key"},
                               {&button_->onChar, "char"}}) {
      probe_.Bind(*point, name);
    }
    button_->Init();
    centre_ = CentreOf(button_->Control->Handle);
    // Two real moves: the new button hears the pointer arrive.
    MoveTo({centre_.x - 1, centre_.y});
    MoveTo(centre_);
    ASSERT_EQ(WindowFromPoint(centre_), button_->Control->Handle);
  }
  void TearDown() override {
    Mouse(MOUSEEVENTF_LEFTUP);
    button_.reset();
    ElementTest::TearDown();
  }

  // The last firing of one point.
  std::string Last(const std::string& name) const {
    for (auto it = probe_.log.rbegin(); it != probe_.log.rend(); ++it) {
      if (it->rfind(name, 0) == 0) return *it;
    }
    return "";
  }

  EarlierHook hook_;
  PointProbe probe_;
  std::unique_ptr<TWDWin> button_;
  POINT centre_{};
};

TEST_F(Input, ButtonsAndHeldButtonsOfTheRealMouse) {
  probe_.log.clear();
  hook_.mouseMessages = 0;
  Mouse(MOUSEEVENTF_LEFTDOWN);
  ASSERT_EQ(Last("down"), "down:0");
  // The message hook comes before the control's own mouse events.
  EXPECT_EQ(probe_.log.front(), "enter");
  MoveTo({centre_.x + 2, centre_.y});
  EXPECT_EQ(Last("move"), "move:0");
  Key(VK_SHIFT, false);
  MoveTo({centre_.x + 4, centre_.y});
  MoveTo({centre_.x + 6, centre_.y});
  // The display may still hand on its own echo of a move, which knows nothing
  // of the Shift sent here: the moves sent are looked for, not the last one.
  EXPECT_GE(probe_.Count("move:-1"), 1);
  Key(VK_SHIFT, true);
  Mouse(MOUSEEVENTF_LEFTUP);
  EXPECT_EQ(Last("up"), "up:0");
  Mouse(MOUSEEVENTF_RIGHTDOWN);
  EXPECT_EQ(Last("down"), "down:1");
  Mouse(MOUSEEVENTF_RIGHTUP);
  EXPECT_EQ(Last("up"), "up:1");

  // Every mouse message that reached the control was an entry too, and was
  // passed on to the hook that stood before the element.
  EXPECT_GT(hook_.mouseMessages, 4);
  EXPECT_EQ(probe_.Count("enter"), hook_.mouseMessages);
}

TEST_F(Input, WheelNotchesSendTheirDistance) {
  FocusControl(button_->Control);
  struct Row {
    int notch;
    WORD heldKey;
    const char* sent;
  } rows[] = {{-120, 0, "wheel:-120"}, {120, 0, "wheel:120"}, {-120, VK_CONTROL, "wheel:-120"}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.sent);
    probe_.log.clear();
    if (row.heldKey) Key(row.heldKey, false);
    Mouse(MOUSEEVENTF_WHEEL, row.notch);
    if (row.heldKey) Key(row.heldKey, true);
    EXPECT_EQ(Last("wheel"), row.sent);
  }
}

TEST_F(Input, LeavingIsReportedOnce) {
  probe_.log.clear();
  MoveTo({centre_.x + 150, centre_.y + 100});  // still over the form
  EXPECT_TRUE(PumpUntil([&] { return probe_.Count("leave") > 0; }, 5000));
  EXPECT_EQ(probe_.Count("leave"), 1);
  MoveTo(centre_);
  EXPECT_EQ(Last("enter"), "enter");
}

TEST_F(Input, FormThatZeroesAKeyInPreviewHidesItFromTheControl) {
  // The form's own element: its key-down receiver swallows "A".
  TWDWin formElement(nullptr);
  formElement.Control = form_;
  formElement.Left = 100;
  formElement.Top = 100;
  formElement.Width = 300;
  formElement.Height = 200;
  struct Swallower {
    void Got(TData& data, std::uint16_t) {
      if (AsInteger(data) == 'A') element->KeyOverride = 0;
    }
    TWDWin* element;
  } swallower{&formElement};
  MakePoint<&Swallower::Got>(swallower, 0, formElement.onKeyDown);
  formElement.Init();

  FocusControl(button_->Control);
  ASSERT_EQ(GetFocus(), button_->Control->Handle);
  probe_.log.clear();
  for (WORD key : {WORD('A'), WORD('B')}) {
    Key(key, false);
    Key(key, true);
  }
  std::vector<std::string> keys;
  for (const std::string& line : probe_.log) {
    if (line.rfind("key", 0) == 0 || line.rfind("char", 0) == 0) keys.push_back(line);
  }
  EXPECT_EQ(keys, (std::vector<std::string>{"key:66", "char:b"}));
  // The form element frees the form, and the button's control with it.
}

// Destroyed by a receiver of its control's click: the control, still in the
// middle of its messages, must no longer reach the element. Its memory is kept
// and poisoned so that any later call into it crashes or shows.
TEST_F(Input, ElementDestroyedWhileItsControlHandlesAClickIsLeftAlone) {
  alignas(TWDWin) static unsigned char storage[sizeof(TWDWin)];
  TWDWin* e = new (storage) TWDWin(form_);
  e->Control = NewButton(form_, "X");
  e->Left = 150;
  e->Top = 100;
  e->Width = 100;
  e->Height = 40;
  e->Init();
  HWND window = e->Control->Handle;
  struct Destroyer {
    void Clicked(TControl*) {
      element->~TWDWin();
      std::memset(storage, 0xDD, sizeof storage);
    }
    TWDWin* element;
  } destroyer{e};
  e->Control->OnClick = MakeMethod<&Destroyer::Clicked>(&destroyer);

  MoveTo(CentreOf(window));
  Mouse(MOUSEEVENTF_LEFTDOWN);
  Mouse(MOUSEEVENTF_LEFTUP);
  MoveTo(centre_);
  PumpFor(100);
  EXPECT_FALSE(IsWindow(window));
  for (unsigned char byte : storage) ASSERT_EQ(byte, 0xDD);
}

}  // namespace
