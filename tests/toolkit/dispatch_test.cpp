#include <windows.h>

#include "tests/toolkit/window_fixture.h"
#include "toolkit/paint.h"

namespace {

using Dispatch = WindowTest;

struct ClickProbe {
  void Clicked(TControl* sender) { clicks.push_back(sender); }
  std::vector<TControl*> clicks;
};

TEST_F(Dispatch, RealButtonClickIsReflectedToItsObjectOnce) {
  BuildApp();
  ClickProbe probe;
  TControl* button = NewButton(form_, "Go");
  TControl* other = NewButton(form_, "Other");
  button->OnClick = MakeMethod<&ClickProbe::Clicked>(&probe);
  other->OnClick = MakeMethod<&ClickProbe::Clicked>(&probe);
  form_->SetVisible(true);
  form_->GetWindowHandle();

  SendMessageA(button->Handle, BM_CLICK, 0, 0);
  ASSERT_EQ(probe.clicks.size(), 1u);
  EXPECT_EQ(probe.clicks[0], button);

  // A click caused while the focus lock is raised is no click.
  ++button->FocusLock;
  SendMessageA(button->Handle, BM_CLICK, 0, 0);
  --button->FocusLock;
  EXPECT_EQ(probe.clicks.size(), 1u);

  // The focus notification of a button is no click either: it is an enter, and the
  // lost-focus notification a leave.
  ClickProbe enters, leaves;
  button->OnEnter = MakeMethod<&ClickProbe::Clicked>(&enters);
  button->OnLeave = MakeMethod<&ClickProbe::Clicked>(&leaves);
  SendMessageA(form_->Handle, WM_COMMAND, MAKEWPARAM(button->ControlId, 6),
               reinterpret_cast<LPARAM>(button->Handle));
  SendMessageA(form_->Handle, WM_COMMAND, MAKEWPARAM(button->ControlId, 7),
               reinterpret_cast<LPARAM>(button->Handle));
  EXPECT_EQ(probe.clicks.size(), 1u);
  EXPECT_EQ(enters.clicks, (std::vector<TControl*>{button}));
  EXPECT_EQ(leaves.clicks, (std::vector<TControl*>{button}));

  // A check box's click reaches its object and really toggles the box.
  TControl* box = NewCheckBox(form_, "Box");
  box->OnClick = MakeMethod<&ClickProbe::Clicked>(&probe);
  form_->CreateWindowHandle();
  SendMessageA(box->Handle, BM_CLICK, 0, 0);
  EXPECT_EQ(probe.clicks.back(), box);
  EXPECT_EQ(SendMessageA(box->Handle, BM_GETCHECK, 0, 0), BST_CHECKED);
}

// A window of a class the toolkit does not know, recording what reaches it.
std::vector<UINT> foreignMessages;
LRESULT CALLBACK ForeignProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  foreignMessages.push_back(msg);
  return DefWindowProcA(hwnd, msg, wParam, lParam);
}

HWND MakeForeignChild(HWND parent) {
  WNDCLASSA wc{};
  wc.lpfnWndProc = ForeignProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "ForeignChild";
  RegisterClassA(&wc);
  return CreateWindowExA(0, "ForeignChild", "", WS_CHILD, 0, 0, 10, 10, parent, nullptr,
                         wc.hInstance, nullptr);
}

TEST_F(Dispatch, CommandFromAForeignChildIsNotReflected) {
  BuildApp();
  HWND foreign = MakeForeignChild(form_->GetWindowHandle());
  ASSERT_NE(foreign, nullptr);
  foreignMessages.clear();
  SendMessageA(form_->Handle, WM_COMMAND, MAKEWPARAM(1, BN_CLICKED),
               reinterpret_cast<LPARAM>(foreign));
  for (UINT m : foreignMessages) EXPECT_NE(m, MSG_REFLECTED_COMMAND);
  DestroyWindow(foreign);
}

TEST_F(Dispatch, ControlColourIsReflectedToTheControlWithItsColours) {
  BuildApp();
  TControl* button = NewButton(form_, "B");
  button->TextColor = RGB(1, 2, 3);
  button->SetColor(RGB(200, 100, 50));
  form_->GetWindowHandle();

  HDC dc = GetDC(button->Handle);
  const LRESULT brush = SendMessageA(form_->Handle, WM_CTLCOLORBTN, reinterpret_cast<WPARAM>(dc),
                                     reinterpret_cast<LPARAM>(button->Handle));
  EXPECT_EQ(reinterpret_cast<HBRUSH>(brush), BrushHandle(button));
  EXPECT_EQ(GetTextColor(dc), RGB(1, 2, 3));
  EXPECT_EQ(GetBkColor(dc), RGB(200, 100, 50));
  EXPECT_EQ(GetBkMode(dc), OPAQUE);
  LOGBRUSH info{};
  GetObjectA(reinterpret_cast<HBRUSH>(brush), sizeof(info), &info);
  EXPECT_EQ(info.lbColor, RGB(200, 100, 50));

  button->Transparent = 1;
  const LRESULT none = SendMessageA(form_->Handle, WM_CTLCOLORBTN, reinterpret_cast<WPARAM>(dc),
                                    reinterpret_cast<LPARAM>(button->Handle));
  EXPECT_EQ(reinterpret_cast<HGDIOBJ>(none), GetStockObject(NULL_BRUSH));
  EXPECT_EQ(GetBkMode(dc), TRANSPARENT);
  ReleaseDC(button->Handle, dc);

  // A control of the form's colour shares the form's brush.
  TControl* plain = NewButton(form_, "P");
  EXPECT_EQ(BrushHandle(plain), BrushHandle(form_));
}

// Handlers that record the order they ran in.
std::vector<int> handlerOrder;
bool FirstHandler(TControl*, TMessage& msg, LRESULT&) {
  if (msg.Msg == WM_APP) handlerOrder.push_back(1);
  return false;
}
bool SecondHandler(TControl*, TMessage& msg, LRESULT& result) {
  if (msg.Msg != WM_APP) return false;
  handlerOrder.push_back(2);
  result = 42;
  return msg.WParam == 1;
}
bool FreeingHandler(TControl* control, TMessage& msg, LRESULT&) {
  if (msg.Msg != WM_APP + 1) return false;
  Free(control);
  // The object is still there: the dispatcher holds a reference.
  handlerOrder.push_back(control->RefCount & 1 ? 3 : -3);
  return false;
}

TEST_F(Dispatch, AttachedHandlersRunNewestFirstOnceEachAndTheFirstTrueEndsTheWalk) {
  BuildApp();
  handlerOrder.clear();
  AttachMessageHandler(form_, FirstHandler, false);
  AttachMessageHandler(form_, SecondHandler, false);
  AttachMessageHandler(form_, FirstHandler, false);
  HWND window = form_->GetWindowHandle();

  SendMessageA(window, WM_APP, 0, 0);
  EXPECT_EQ(handlerOrder, (std::vector<int>{2, 1}));
  handlerOrder.clear();
  EXPECT_EQ(SendMessageA(window, WM_APP, 1, 0), 42);
  EXPECT_EQ(handlerOrder, (std::vector<int>{2}));

  // Once the application terminates only handlers marked for shutdown run.
  handlerOrder.clear();
  AppTerminated = true;
  SendMessageA(window, WM_APP, 0, 0);
  AppTerminated = false;
  EXPECT_TRUE(handlerOrder.empty());
}

TEST_F(Dispatch, HandlerThatFreesItsOwnObjectEndsTheDispatchSafely) {
  BuildApp();
  DestroyCounter counter;
  TControl* button = NewButton(form_, "B");
  counter.Watch(button);
  handlerOrder.clear();
  AttachMessageHandler(button, FirstHandler, false);
  AttachMessageHandler(button, FreeingHandler, false);
  HWND window = button->GetWindowHandle();

  SendMessageA(window, WM_APP + 1, 0, 0);
  EXPECT_EQ(handlerOrder, (std::vector<int>{3}));
  EXPECT_EQ(counter.gone.size(), 1u);
  EXPECT_FALSE(IsWindow(window));
  EXPECT_EQ(form_->Children->Count, 0);
}

// An OnMessage that records and can swallow.
struct Hook {
  bool OnMessage(TMessage& msg, LRESULT& result) {
    if (msg.Msg != WM_APP) return false;
    seen.push_back(msg.Window);
    result = 7;
    return swallow;
  }
  std::vector<HWND> seen;
  bool swallow = false;
};

TEST_F(Dispatch, ApplicationHookSeesEveryWindowsMessagesWhileRunningAndMaySwallowThem) {
  BuildApp();
  Hook appHook, formHook;
  AppWindow->OnMessage = MakeMethod<&Hook::OnMessage>(&appHook);
  form_->OnMessage = MakeMethod<&Hook::OnMessage>(&formHook);
  HWND window = form_->GetWindowHandle();

  SendMessageA(window, WM_APP, 0, 0);  // the loop is not running
  EXPECT_TRUE(appHook.seen.empty());
  EXPECT_EQ(formHook.seen.size(), 1u);

  AppRunning = true;
  appHook.swallow = true;
  EXPECT_EQ(SendMessageA(window, WM_APP, 0, 0), 7);
  AppRunning = false;
  EXPECT_EQ(appHook.seen, (std::vector<HWND>{window}));
  EXPECT_EQ(formHook.seen.size(), 1u);
}

TEST_F(Dispatch, MessagesOfUnboundWindowsGoToTheApplicationWindow) {
  BuildApp();
  Hook hook;
  AppWindow->OnMessage = MakeMethod<&Hook::OnMessage>(&hook);
  AppWindow->GetWindowHandle();
  WNDCLASSA wc{};
  wc.lpfnWndProc = GlobalWindowProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "UnboundToolkitClass";
  RegisterClassA(&wc);
  HWND loose = CreateWindowExA(0, "UnboundToolkitClass", "", WS_POPUP, 0, 0, 10, 10, nullptr,
                               nullptr, wc.hInstance, nullptr);
  ASSERT_NE(loose, nullptr);
  SendMessageA(loose, WM_APP, 0, 0);
  EXPECT_EQ(hook.seen, (std::vector<HWND>{loose}));

  // The end of that window is not the end of the application window.
  DestroyCounter counter;
  counter.Watch(AppWindow);
  DestroyWindow(loose);
  EXPECT_FALSE(counter.Saw(AppWindow));
  EXPECT_EQ(AppWindow->WindowGone, 0);
  HWND appWindow = AppWindow->Handle;
  TControl* app = AppWindow;
  AppWindow = nullptr;
  Free(app);
  EXPECT_TRUE(counter.Saw(app));
  EXPECT_FALSE(IsWindow(appWindow));
}

struct MouseProbe {
  void Event(TControl*, TMouseEventData& mouse) {
    seen.push_back(mouse);
    mouse.StopHandling = stop;
  }
  std::vector<TMouseEventData> seen;
  std::uint8_t stop = 0;
};

TEST_F(Dispatch, MouseMessagesReachTheirEventsWithButtonPositionAndWheelDelta) {
  BuildApp();
  MouseProbe down, up, wheel, dbl;
  form_->SetOnMouseDown(MakeMethod<&MouseProbe::Event>(&down));
  form_->SetOnMouseUp(MakeMethod<&MouseProbe::Event>(&up));
  form_->SetOnMouseWheel(MakeMethod<&MouseProbe::Event>(&wheel));
  form_->SetOnMouseDblClk(MakeMethod<&MouseProbe::Event>(&dbl));
  HWND window = form_->GetWindowHandle();

  SendMessageA(window, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(-3, 17));
  ASSERT_EQ(down.seen.size(), 1u);
  EXPECT_EQ(down.seen[0].Button, 2);
  EXPECT_EQ(down.seen[0].X, -3);
  EXPECT_EQ(down.seen[0].Y, 17);
  EXPECT_EQ(down.seen[0].Shift, static_cast<std::uint32_t>(MK_RBUTTON));

  SendMessageA(window, WM_MBUTTONUP, 0, 0);
  ASSERT_EQ(up.seen.size(), 1u);
  EXPECT_EQ(up.seen[0].Button, 3);
  SendMessageA(window, WM_LBUTTONDBLCLK, 0, 0);
  ASSERT_EQ(dbl.seen.size(), 1u);
  EXPECT_EQ(dbl.seen[0].Button, 1);

  SendMessageA(window, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-120)), 0);
  ASSERT_EQ(wheel.seen.size(), 1u);
  EXPECT_EQ(wheel.seen[0].Button, 0);
  EXPECT_EQ(static_cast<std::int16_t>(HIWORD(wheel.seen[0].Shift)), -120);
  EXPECT_EQ(down.seen.size(), 1u);
}

TEST_F(Dispatch, WindowStateFollowsSizeMessages) {
  BuildApp();
  form_->SetVisible(true);
  HWND window = form_->GetWindowHandle();
  ShowWindow(window, SW_MAXIMIZE);
  EXPECT_EQ(form_->WindowState, 2);
  ShowWindow(window, SW_RESTORE);
  EXPECT_EQ(form_->WindowState, 0);
}

// A hook that frees the form it serves while that form handles a message.
struct SelfFreeing {
  void OnClose(TControl*, bool&) { FreeInside(); }
  bool OnMessage(TMessage& msg, LRESULT&) {
    if (msg.Msg == WM_APP) FreeInside();
    return false;
  }
  void FreeInside() {
    Free(form);
    aliveAfterFree = !counter->Saw(form);
  }
  TControl* form = nullptr;
  DestroyCounter* counter = nullptr;
  bool aliveAfterFree = false;
};

int appMessagesSeenByHandlers = 0;
bool CountAppMessages(TControl*, TMessage& msg, LRESULT&) {
  if (msg.Msg == WM_APP) ++appMessagesSeenByHandlers;
  return false;
}

TEST_F(Dispatch, HookFreeingItsOwnFormWhileTheFormHandlesAMessageRunsClean) {
  for (const bool byClose : {true, false}) {
    BuildApp();
    DestroyCounter counter;
    SelfFreeing hook;
    hook.form = NewForm(AppWindow, "Second");
    hook.counter = &counter;
    counter.Watch(hook.form);
    AttachMessageHandler(hook.form, CountAppMessages, false);
    HWND window = hook.form->GetWindowHandle();
    appMessagesSeenByHandlers = 0;
    if (byClose) {
      hook.form->OnClose = MakeMethod<&SelfFreeing::OnClose>(&hook);
      SendMessageA(window, WM_CLOSE, 0, 0);
    } else {
      hook.form->OnMessage = MakeMethod<&SelfFreeing::OnMessage>(&hook);
      SendMessageA(window, WM_APP, 0, 0);
    }
    // The object lived until its message was done with, and went exactly once.
    EXPECT_TRUE(hook.aliveAfterFree) << byClose;
    EXPECT_EQ(counter.gone.size(), 1u) << byClose;
    EXPECT_FALSE(IsWindow(window)) << byClose;
    EXPECT_EQ(AppWindow->Children->Count, 1) << byClose;
    // Nothing ran for the freed form after the hook.
    EXPECT_EQ(appMessagesSeenByHandlers, 0) << byClose;
    TearDown();
    SetUp();
  }
}

}  // namespace
