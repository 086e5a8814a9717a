#include <memory>
#include <string>

#include "elements/window/button.h"
#include "elements/window/check_box.h"
#include "tests/elements/window/element_fixture.h"

namespace {

using Strings = std::vector<std::string>;

class ButtonAndCheckBox : public ElementTest {
 protected:
  std::unique_ptr<TWDButton> MakeButton(const char* caption, int left, std::uint8_t isDefault = 0) {
    auto button = std::make_unique<TWDButton>(form_);
    button->Caption = caption;
    button->Default = isDefault;
    button->Left = left;
    button->Top = 20;
    button->Width = 100;
    button->Height = 25;
    return button;
  }
  std::unique_ptr<TWDCheckBox> MakeBox(std::uint8_t checked) {
    auto box = std::make_unique<TWDCheckBox>(form_);
    box->Left = 30;
    box->Top = 100;
    box->Width = 55;
    box->Height = 20;
    box->Ctl3D = 0;
    box->SetChecked(checked);
    box->SetCaption("RTS");
    return box;
  }
  // A real press and release of the left button over the window's centre.
  void RealClick(HWND window) {
    MoveTo(CentreOf(window));
    Mouse(MOUSEEVENTF_LEFTDOWN);
    Mouse(MOUSEEVENTF_LEFTUP);
  }
};

TEST_F(ButtonAndCheckBox, CheckedZeroChecksTheBoxAndAnyOtherValueClearsIt) {
  for (const auto& [checked, shown] :
       {std::pair{0, BST_CHECKED}, {1, BST_UNCHECKED}, {2, BST_UNCHECKED}}) {
    SCOPED_TRACE(checked);
    auto box = MakeBox(static_cast<std::uint8_t>(checked));
    box->Init();
    HWND window = box->Control->Handle;
    EXPECT_EQ(SendMessageA(window, BM_GETCHECK, 0, 0), shown);
    EXPECT_EQ(StyleOf(window) & 0xFu, static_cast<DWORD>(BS_AUTOCHECKBOX));
    char text[8] = {};
    GetWindowTextA(window, text, sizeof text);
    EXPECT_STREQ(text, "RTS");
  }
}

TEST_F(ButtonAndCheckBox, EachClickReportsTheNewStateOnCheckAndThenOnClick) {
  auto box = MakeBox(1);
  PointProbe probe;
  probe.Bind(box->onCheck, "check");
  probe.Bind(box->onClick, "click");
  box->Init();
  HWND window = box->Control->Handle;
  SendMessageA(window, BM_CLICK, 0, 0);
  EXPECT_EQ(probe.log, (Strings{"check:1", "click:1"}));
  SendMessageA(window, BM_CLICK, 0, 0);
  EXPECT_EQ(probe.log, (Strings{"check:1", "click:1", "check:0", "click:0"}));
  probe.log.clear();
  RealClick(window);
  EXPECT_EQ(probe.log, (Strings{"check:1", "click:1"}));
  EXPECT_EQ(SendMessageA(window, BM_GETCHECK, 0, 0), BST_CHECKED);
}

// A receiver that changes the value it got.
struct Changer {
  void doChange(TData& data, std::uint16_t) {
    types.push_back(data.DataType);
    MakeInteger(data, 99);
  }
  std::vector<std::uint8_t> types;
};

TEST_F(ButtonAndCheckBox, AClickSendsACopyOfDataThatNoReceiverCanChange) {
  auto button = MakeButton("Open", 20);
  Changer changer;
  MakePoint<&Changer::doChange>(changer, 0, button->onClick);
  button->Init();
  HWND window = button->Control->Handle;
  EXPECT_EQ(ClassNameOf(window), "obj_BUTTON");
  EXPECT_NE(StyleOf(window) & BS_MULTILINE, 0u);
  SendMessageA(window, BM_CLICK, 0, 0);
  RealClick(window);
  EXPECT_EQ(changer.types, (std::vector<std::uint8_t>{dtNull, dtNull}));
  EXPECT_EQ(button->Data.DataType, dtNull);
}

TEST_F(ButtonAndCheckBox, ADisabledButtonFiresNothingUntilDoEnabledEnablesIt) {
  auto button = MakeButton("On", 20);
  button->Enabled = 0;
  PointProbe probe;
  probe.Bind(button->onClick, "click");
  button->Init();
  HWND window = button->Control->Handle;
  EXPECT_FALSE(IsWindowEnabled(window));
  RealClick(window);
  EXPECT_TRUE(probe.log.empty());

  TData null;
  button->doEnabled(null, 0);
  EXPECT_TRUE(IsWindowEnabled(window));
  RealClick(window);
  EXPECT_EQ(probe.log, Strings{"click"});
}

TEST_F(ButtonAndCheckBox, DefaultOneMakesEnterPressTheButtonAndTheLastButtonInitialisedDecides) {
  // The application window's hook sees the keys only while the program runs.
  AppRunning = true;
  auto first = MakeButton("Go", 20, 1);
  PointProbe probe;
  probe.Bind(first->onClick, "go");
  first->Init();
  HWND window = first->Control->Handle;
  EXPECT_NE(StyleOf(window) & BS_DEFPUSHBUTTON, 0u);
  EXPECT_EQ(form_->DefaultButton, first->Control);
  EXPECT_EQ(first->Control->IsDefaultButton, 1);
  SetForegroundWindow(form_->Handle);
  SetFocus(form_->Handle);
  PumpFor(50);
  Key(VK_RETURN, false);
  Key(VK_RETURN, true);
  EXPECT_EQ(probe.log, Strings{"go"});

  // A later button without Default takes the role away from the form.
  auto second = MakeButton("Other", 140);
  second->Init();
  EXPECT_EQ(form_->DefaultButton, nullptr);
  EXPECT_EQ(first->Control->IsDefaultButton, 1) << "the first keeps its own mark";
  SetFocus(form_->Handle);
  Key(VK_RETURN, false);
  Key(VK_RETURN, true);
  EXPECT_EQ(probe.log, Strings{"go"});
}

}  // namespace
