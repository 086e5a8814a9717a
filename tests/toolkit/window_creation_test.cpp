#include <windows.h>

#include "tests/toolkit/window_fixture.h"
#include "toolkit/paint.h"

namespace {

using WindowCreation = WindowTest;

TEST_F(WindowCreation, ChildWindowAskedForCreatesItsAncestorsFirstWithTheToolkitClasses) {
  BuildApp();
  TControl* button = NewButton(form_, "Go");
  EXPECT_EQ(AppWindow->Handle, nullptr);
  EXPECT_EQ(form_->Handle, nullptr);

  HWND buttonWindow = button->GetWindowHandle();
  ASSERT_NE(buttonWindow, nullptr);
  ASSERT_NE(form_->Handle, nullptr);
  ASSERT_NE(AppWindow->Handle, nullptr);
  EXPECT_EQ(ClassNameOf(AppWindow->Handle), "obj_App");
  EXPECT_EQ(ClassNameOf(form_->Handle), "obj_Form");
  EXPECT_EQ(ClassNameOf(buttonWindow), "obj_BUTTON");
  EXPECT_EQ(GetParent(buttonWindow), form_->Handle);
  EXPECT_EQ(GetWindow(form_->Handle, GW_OWNER), AppWindow->Handle);
  // Every window is bound to its object.
  EXPECT_EQ(GetPropA(buttonWindow, "SELF_"), button);
  EXPECT_EQ(GetPropA(form_->Handle, "SELF_"), form_);
  EXPECT_EQ(GetPropA(AppWindow->Handle, "SELF_"), AppWindow);
  // The text really reached the window, and a Windows-1251 text is converted for the
  // wide calls: the window holds the Cyrillic letters whatever the system's code page.
  char text[16] = {};
  GetWindowTextA(buttonWindow, text, sizeof(text));
  EXPECT_STREQ(text, "Go");
  button->SetCaption("\xC2\xEA\xEB");
  wchar_t wide[16] = {};
  GetWindowTextW(buttonWindow, wide, 16);
  EXPECT_STREQ(wide, L"\u0412\u043A\u043B");
  // The caption set again from the control's own text survives the exchange.
  const char kLong[] = "a caption long enough to outlast the heap's own bookkeeping";
  button->SetCaption(kLong);
  button->SetCaption(button->Caption);
  EXPECT_STREQ(button->Caption, kLong);
  char back[80] = {};
  GetWindowTextA(buttonWindow, back, sizeof(back));
  EXPECT_STREQ(back, kLong);
}

TEST_F(WindowCreation, ButtonsShareOneClassBuiltOnTheSystemButton) {
  BuildApp();
  TControl* one = NewButton(form_, "1");
  TControl* two = NewButton(form_, "2");
  TControl* box = NewCheckBox(form_, "3");
  form_->GetWindowHandle();
  ASSERT_NE(box->Handle, nullptr);

  const auto atom = [](TControl* c) { return GetClassLongPtrA(c->Handle, GCW_ATOM); };
  EXPECT_EQ(atom(one), atom(two));
  EXPECT_EQ(atom(one), atom(box));
  // Unicode classes on the system button's wide procedure: no ANSI one on the way.
  WNDCLASSW registered{};
  ASSERT_TRUE(GetClassInfoW(GetModuleHandleA(nullptr), L"obj_BUTTON", &registered));
  EXPECT_EQ(registered.lpfnWndProc, &GlobalWindowProc);
  // The class-DC styles of the system class are not carried over.
  EXPECT_EQ(registered.style & 0x40E0u, 0u);
  WNDCLASSW system{};
  ASSERT_TRUE(GetClassInfoW(nullptr, L"BUTTON", &system));
  EXPECT_EQ(one->DefWindowProc, system.lpfnWndProc);
  EXPECT_EQ(two->DefWindowProc, system.lpfnWndProc);
  for (TControl* c : {form_, one, two, box}) EXPECT_TRUE(IsWindowUnicode(c->Handle));
  // Distinct identifiers, counted up from the last one handed out.
  EXPECT_EQ(static_cast<UINT>(GetDlgCtrlID(two->Handle)), one->ControlId + 1);
}

TEST_F(WindowCreation, ControlsOfAnOwnedClassNameShareItUnprefixedWithPlainDefaultProcessing) {
  BuildApp();
  TControl* controls[2];
  for (TControl*& c : controls) {
    c = NewControl(form_, "", WS_CHILD | WS_VISIBLE, false, nullptr);
    c->ControlClassName = DuplicateText("OwnNamedPanel");
    c->ClassNameOwned = 1;
  }
  form_->GetWindowHandle();
  for (TControl* c : controls) {
    ASSERT_NE(c->Handle, nullptr);
    EXPECT_EQ(ClassNameOf(c->Handle), "OwnNamedPanel");
    EXPECT_EQ(c->DefWindowProc, nullptr);
    // Default processing really happens: the text is stored and read back.
    SetWindowTextA(c->Handle, "text");
    char text[8] = {};
    GetWindowTextA(c->Handle, text, sizeof(text));
    EXPECT_STREQ(text, "text");
  }
}

TEST_F(WindowCreation, StylesAndExtendedStylesAsCreated) {
  BuildApp();
  TControl* button = NewButton(form_, "B");
  TControl* box = NewCheckBox(form_, "C");
  form_->SetVisible(true);
  form_->GetWindowHandle();

  // The platform adds sibling clipping to every top-level window; the application
  // window was created hidden, as its visibility was never set.
  EXPECT_EQ(StyleOf(AppWindow->Handle) & 0xFFFF0000u & ~WS_CLIPSIBLINGS, 0x90CA0000u & ~WS_VISIBLE);
  EXPECT_TRUE(ExStyleOf(AppWindow->Handle) & WS_EX_APPWINDOW);
  EXPECT_EQ(StyleOf(form_->Handle) & 0xFFFF0000u, 0x16CF0000u);
  EXPECT_TRUE(ExStyleOf(form_->Handle) & WS_EX_CONTROLPARENT);
  EXPECT_TRUE(GetClassLongPtrA(form_->Handle, GCL_STYLE) & CS_DBLCLKS);
  EXPECT_EQ(StyleOf(button->Handle), 0x50011000u | WS_CLIPSIBLINGS | WS_CLIPCHILDREN);
  // A check box's style is replaced whole: the clip bits are gone.
  EXPECT_EQ(StyleOf(box->Handle), 0x50010003u);
  EXPECT_EQ(ExStyleOf(box->Handle) & WS_EX_CLIENTEDGE, 0u);

  // Switching the sunken edge off and on moves it between border and client edge.
  box->SetCtl3D(false);
  EXPECT_TRUE(StyleOf(box->Handle) & WS_BORDER);
  EXPECT_FALSE(ExStyleOf(box->Handle) & WS_EX_CLIENTEDGE);
  box->SetCtl3D(true);
  EXPECT_FALSE(StyleOf(box->Handle) & WS_BORDER);
  EXPECT_TRUE(ExStyleOf(box->Handle) & WS_EX_CLIENTEDGE);

  // A disabled control is created disabled.
  TControl* off = NewButton(form_, "Off");
  off->SetEnabled(false);
  form_->CreateWindowHandle();
  ASSERT_NE(off->Handle, nullptr);
  EXPECT_FALSE(IsWindowEnabled(off->Handle));
  EXPECT_FALSE(IsEnabled(off));
}

// A style is written only when the window lacks it; the object's own copy holding
// the value already must not stop it reaching a window changed behind its back.
TEST_F(WindowCreation, StyleChangedBehindTheObjectIsWrittenAgain) {
  BuildApp();
  HWND window = form_->GetWindowHandle();
  struct Case {
    int index;
    void (TControl::*set)(std::uint32_t);
    std::uint32_t bit;
  };
  for (const Case& c : {Case{GWL_STYLE, &TControl::SetStyle, WS_MINIMIZEBOX},
                        Case{GWL_EXSTYLE, &TControl::SetExStyle, WS_EX_TOOLWINDOW}}) {
    const auto actual = static_cast<std::uint32_t>(GetWindowLongPtrA(window, c.index));
    (form_->*c.set)(actual);
    SetWindowLongPtrA(window, c.index, static_cast<LONG_PTR>(actual ^ c.bit));
    (form_->*c.set)(actual);
    EXPECT_EQ(static_cast<std::uint32_t>(GetWindowLongPtrA(window, c.index)), actual) << c.index;
  }
}

// The icon an object holds reaches its window at creation; without one the window has none.
TEST_F(WindowCreation, WindowGetsTheIconItsObjectHolds) {
  BuildApp();
  HICON icon = LoadIconA(nullptr, IDI_APPLICATION);
  form_->Icon = icon;
  form_->IconShared = 1;
  form_->GetWindowHandle();
  const auto big = [](TControl* c) {
    return reinterpret_cast<HICON>(SendMessageA(c->Handle, WM_GETICON, ICON_BIG, 0));
  };
  EXPECT_EQ(big(form_), icon);
  EXPECT_EQ(big(AppWindow), nullptr);
}

TEST_F(WindowCreation, SystemMenuOfTheApplicationWindowIsTrimmed) {
  BuildApp();
  HMENU menu = GetSystemMenu(AppWindow->GetWindowHandle(), FALSE);
  ASSERT_NE(menu, nullptr);
  EXPECT_EQ(GetMenuState(menu, SC_MAXIMIZE, MF_BYCOMMAND), static_cast<UINT>(-1));
  EXPECT_EQ(GetMenuState(menu, SC_MOVE, MF_BYCOMMAND), static_cast<UINT>(-1));
  EXPECT_EQ(GetMenuState(menu, SC_SIZE, MF_BYCOMMAND), static_cast<UINT>(-1));
  EXPECT_TRUE(GetMenuState(menu, SC_RESTORE, MF_BYCOMMAND) & MF_GRAYED);
}

// Records, at the moment the form is shown, whether its button had a window.
struct ShowProbe {
  void Shown(TControl*) {
    buttonHadWindow = button->Handle && IsWindow(button->Handle);
    ++shows;
  }
  TControl* button = nullptr;
  bool buttonHadWindow = false;
  int shows = 0;
};

TEST_F(WindowCreation, FormWithoutExplicitVisibilityIsShownOnlyAfterItsChildrenExist) {
  BuildApp();
  ShowProbe probe;
  probe.button = NewButton(form_, "B");
  form_->SetOnShow(MakeMethod<&ShowProbe::Shown>(&probe));

  ASSERT_NE(form_->GetWindowHandle(), nullptr);
  EXPECT_FALSE(IsWindowVisible(form_->Handle));
  EXPECT_TRUE(form_->ShowPending);
  EXPECT_EQ(probe.shows, 0);

  ASSERT_TRUE(form_->CreateWindowHandle());
  EXPECT_TRUE(IsWindowVisible(form_->Handle));
  EXPECT_TRUE(IsWindowVisible(probe.button->Handle));
  EXPECT_FALSE(form_->ShowPending);
  EXPECT_EQ(probe.shows, 1);
  EXPECT_TRUE(probe.buttonHadWindow);
}

TEST_F(WindowCreation, GeometryOfChildrenAndTopLevelWindows) {
  BuildApp();
  TControl* button = NewButton(form_, "B");
  TControl* box = NewCheckBox(form_, "C");
  form_->SetBoundsRect({120, 90, 320, 290});
  EXPECT_EQ(form_->PositionSet, 3);
  form_->GetWindowHandle();

  RECT screen;
  GetWindowRect(form_->Handle, &screen);
  EXPECT_EQ(screen.left, 120);
  EXPECT_EQ(screen.top, 90);
  EXPECT_EQ(screen.right - screen.left, 200);
  EXPECT_EQ(screen.bottom - screen.top, 200);
  // Children start at the parent's margin, 64 wide, buttons 22 high, check boxes 72 wide;
  // the bounds read back from the live window are in the parent's client coordinates.
  const RECT b = button->BoundsRect();
  EXPECT_EQ(b.left, 2);
  EXPECT_EQ(b.top, 2);
  EXPECT_EQ(b.right - b.left, 64);
  EXPECT_EQ(b.bottom - b.top, 22);
  EXPECT_EQ(box->Width(), 72);

  // The client setters keep the frame and give the client area the size asked for.
  form_->SetClientWidth(150);
  form_->SetClientHeight(100);
  RECT client;
  GetClientRect(form_->Handle, &client);
  EXPECT_EQ(client.right, 150);
  EXPECT_EQ(client.bottom, 100);
  EXPECT_EQ(form_->ClientWidth(), 150);
  form_->ClientTop = 10;
  EXPECT_EQ(form_->ClientHeight(), 90);
}

TEST_F(WindowCreation, TopLevelWithoutSetPositionIsPlacedByThePlatformAndZeroSizeIsDefault) {
  // Without a position set the stored left/top are not used; a zero size is the platform's.
  TControl* form = NewForm(nullptr, "Loose");
  form->Bounds = {-5000, -5000, -5000, -5000};
  ASSERT_NE(form->GetWindowHandle(), nullptr);
  RECT r;
  GetWindowRect(form->Handle, &r);
  EXPECT_GT(r.left, -5000);
  EXPECT_GT(r.right - r.left, 0);
  EXPECT_GT(r.bottom - r.top, 0);
  Free(form);
}

TEST_F(WindowCreation, ChildWindowWithoutAParentWindowFails) {
  TControl* orphan = NewButton(nullptr, "Orphan");
  EXPECT_FALSE(orphan->CreateWindowHandle());
  EXPECT_EQ(orphan->Handle, nullptr);
  // A failed creation leaves nothing waiting to be bound to the next window.
  EXPECT_EQ(CreatingControl, nullptr);
  Free(orphan);
}

TEST_F(WindowCreation, TopAlignedChildrenStackWithTheMargin) {
  BuildApp();
  form_->SetBoundsRect({0, 0, 300, 300});
  TControl* first = NewButton(form_, "1");
  TControl* second = NewButton(form_, "2");
  first->SetHeight(20);
  second->SetHeight(30);
  form_->SetVisible(true);
  form_->GetWindowHandle();
  first->SetAlign(kAlignTop);
  second->SetAlign(kAlignTop);

  EXPECT_EQ(first->Top(), 2);
  EXPECT_EQ(second->Top(), 24);
  EXPECT_EQ(first->Height(), 20);
  EXPECT_EQ(second->Height(), 30);
  EXPECT_EQ(first->Left(), 2);
  EXPECT_EQ(first->Width(), form_->ClientWidth() - 4);

  // A client-aligned child takes what is left; a resize of the form realigns.
  TControl* rest = NewButton(form_, "rest");
  form_->CreateWindowHandle();
  rest->SetAlign(kAlignClient);
  EXPECT_EQ(rest->Top(), 54 + 2);
  form_->SetClientHeight(200);
  EXPECT_EQ(rest->Height(), 200 - 56 - 2);
}

TEST_F(WindowCreation, EdgesAreTakenTopAndBottomFirstThenLeftAndRightThenTheClientRest) {
  BuildApp();
  form_->SetVisible(true);
  form_->GetWindowHandle();
  form_->SetClientWidth(200);
  form_->SetClientHeight(150);
  TControl* top = NewButton(form_, "T");
  TControl* left = NewButton(form_, "L");
  TControl* bottom = NewButton(form_, "B");
  TControl* right = NewButton(form_, "R");
  TControl* rest = NewButton(form_, "C");
  form_->CreateWindowHandle();
  top->SetHeight(20);
  bottom->SetHeight(30);
  left->SetWidth(40);
  right->SetWidth(50);
  // The left one is listed before the bottom one, and still placed after it.
  rest->SetAlign(kAlignClient);
  left->SetAlign(kAlignLeft);
  right->SetAlign(kAlignRight);
  top->SetAlign(kAlignTop);
  bottom->SetAlign(kAlignBottom);

  const auto bounds = [](TControl* c) {
    const RECT r = c->BoundsRect();
    return std::vector<LONG>{r.left, r.top, r.right, r.bottom};
  };
  EXPECT_EQ(bounds(top), (std::vector<LONG>{2, 2, 198, 22}));
  EXPECT_EQ(bounds(bottom), (std::vector<LONG>{2, 118, 198, 148}));
  EXPECT_EQ(bounds(left), (std::vector<LONG>{2, 24, 42, 116}));
  EXPECT_EQ(bounds(right), (std::vector<LONG>{148, 24, 198, 116}));
  EXPECT_EQ(bounds(rest), (std::vector<LONG>{44, 24, 146, 116}));

  // A hidden child takes no room.
  top->SetVisible(false);
  EXPECT_EQ(bounds(left), (std::vector<LONG>{2, 2, 42, 116}));
  EXPECT_EQ(bounds(rest), (std::vector<LONG>{44, 2, 146, 116}));
}

TEST_F(WindowCreation, FirstTabStopBecomesCurrentAndTabOrdersShift) {
  BuildApp();
  TControl* c1 = NewButton(form_, "1");
  TControl* c2 = NewButton(form_, "2");
  TControl* c3 = NewButton(form_, "3");
  TControl* c4 = NewButton(form_, "4");
  EXPECT_EQ(form_->CurrentControl, c1);
  EXPECT_EQ(c1->TabOrder, 1);
  EXPECT_EQ(c4->TabOrder, 4);
  EXPECT_EQ(form_->TabOrder, 4);

  c1->SetTabOrder(3);
  EXPECT_EQ(c1->TabOrder, 3);
  EXPECT_EQ(c2->TabOrder, 2);
  EXPECT_EQ(c3->TabOrder, 4);
  EXPECT_EQ(c4->TabOrder, 5);
}

TEST_F(WindowCreation, FreeingTheApplicationWindowDestroysEveryObjectAndWindow) {
  DestroyCounter counter;
  const std::array<HWND, 4> windows = BuildWatchedFamily(counter);
  for (HWND w : windows) ASSERT_TRUE(IsWindow(w));

  TControl* app = AppWindow;
  AppWindow = nullptr;
  Free(app);
  EXPECT_EQ(counter.gone.size(), 4u);
  for (HWND w : windows) EXPECT_FALSE(IsWindow(w));
  // An object announces its end before its children go.
  ASSERT_EQ(counter.gone.size(), 4u);
  EXPECT_EQ(counter.gone[0], app);
  EXPECT_EQ(counter.gone[1], form_);
}

TEST_F(WindowCreation, FreeingAChildRemovesItFromItsParentAndItsWindow) {
  BuildApp();
  TControl* button = NewButton(form_, "B");
  TControl* other = NewButton(form_, "O");
  form_->GetWindowHandle();
  HWND window = button->Handle;
  Free(button);
  EXPECT_FALSE(IsWindow(window));
  EXPECT_EQ(form_->Children->Count, 1);
  EXPECT_EQ(form_->Children->GetPtr<TControl>(0), other);
  // It was the form's current control.
  EXPECT_EQ(form_->CurrentControl, nullptr);
}

TEST_F(WindowCreation, FirstFormOfAProcessWithoutApplicationWindowIsItsMainForm) {
  // Every test starts as the process does: no application window made yet.
  TControl* lone = NewForm(nullptr, "Lone");
  EXPECT_TRUE(IsMainForm(lone));
  BuildApp();
  TControl* later = NewForm(nullptr, "Later");
  EXPECT_FALSE(IsMainForm(later));
  EXPECT_TRUE(IsMainForm(AppWindow));
  EXPECT_TRUE(IsMainForm(form_));
  Free(later);
  Free(lone);
}

}  // namespace
