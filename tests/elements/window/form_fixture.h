#pragma once

#include <windows.h>

#include <memory>

#include "app/shell_state.h"
#include "elements/window/main_form.h"
#include "runtime/init_list.h"
#include "tests/elements/window/element_fixture.h"
#include "toolkit/str_list.h"

// Main forms as the schema makes them: no application window beforehand, the
// process-wide form list and inner message present, dispatch on.
class FormTest : public ElementTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    FreeInitList();
    EnableDispatch();
    if (!FormWindowList) FormWindowList = NewStrListEx();
    InnerMessageId = RegisterWindowMessageA("inner message");
  }

  // The schema's values, 119 x 209 centred; `adjust` may change any before Init.
  template <class Adjust>
  std::unique_ptr<TWDMainForm> MakeForm(Adjust adjust) {
    auto form = std::make_unique<TWDMainForm>(nullptr);
    form->Width = 119;
    form->Height = 209;
    form->Color = 0xFF00000F;
    form->Ctl3D = 1;
    form->SetCaption("Form");
    form->SetBorderStyle(4);
    form->Position = MakeMethod<&TWDMainForm::PlaceAtScreenCentre>(form.get());
    adjust(*form);
    form->Init();
    return form;
  }
  std::unique_ptr<TWDMainForm> MakeForm() {
    return MakeForm([](TWDMainForm&) {});
  }

  static int CentredLeft(int width) { return (GetSystemMetrics(SM_CXSCREEN) - width) / 2; }
  static int CentredTop(int height) { return (GetSystemMetrics(SM_CYSCREEN) - height) / 2; }
};
