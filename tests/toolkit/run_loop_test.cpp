#include <windows.h>

#include "tests/toolkit/window_fixture.h"

namespace {

using RunLoop = WindowTest;

struct CloseProbe {
  void Query(TControl*, bool& accept) {
    ++asked;
    accept = asked > refusals;
  }
  int asked = 0;
  int refusals = 0;
};

TEST_F(RunLoop, ClosingTheMainFormEndsTheLoopThroughQuitAndFreesEverything) {
  DestroyCounter counter;
  const std::array<HWND, 4> windows = BuildWatchedFamily(counter);

  ArmSafetyQuit(10000);
  PostMessageA(form_->Handle, WM_CLOSE, 0, 0);
  RunApplication(AppWindow);

  EXPECT_FALSE(SafetyFired());
  EXPECT_TRUE(AppTerminated);
  EXPECT_FALSE(AppRunning);
  EXPECT_EQ(AppWindow, nullptr);
  EXPECT_EQ(counter.gone.size(), 4u);
  for (HWND w : windows) EXPECT_FALSE(IsWindow(w));
}

TEST_F(RunLoop, RefusedCloseKeepsTheFormOpenAndTheNextCloseAsksAgain) {
  BuildApp();
  CloseProbe probe;
  probe.refusals = 1;
  form_->OnClose = MakeMethod<&CloseProbe::Query>(&probe);
  form_->GetWindowHandle();

  ArmSafetyQuit(10000);
  PostMessageA(form_->Handle, WM_CLOSE, 0, 0);
  PostMessageA(form_->Handle, WM_CLOSE, 0, 0);
  RunApplication(AppWindow);

  EXPECT_FALSE(SafetyFired());
  EXPECT_EQ(probe.asked, 2);
  EXPECT_EQ(AppWindow, nullptr);
}

bool visibleInLoop = false;
HWND watchedForm = nullptr;
void CALLBACK LookAndClose(HWND, UINT, UINT_PTR id, DWORD) {
  KillTimer(nullptr, id);
  visibleInLoop = IsWindowVisible(watchedForm) != 0;
  PostMessageA(watchedForm, WM_CLOSE, 0, 0);
}

TEST_F(RunLoop, StartingTheLoopShowsThePendingWindows) {
  BuildApp();
  watchedForm = form_->GetWindowHandle();
  ASSERT_FALSE(IsWindowVisible(watchedForm));
  visibleInLoop = false;
  SetTimer(nullptr, 0, 10, &LookAndClose);
  ArmSafetyQuit(10000);
  RunApplication(AppWindow);
  EXPECT_FALSE(SafetyFired());
  EXPECT_TRUE(visibleInLoop);
}

TEST_F(RunLoop, ClosingAnotherFormDestroysOnlyThatFormAndFreesIt) {
  BuildApp();
  DestroyCounter counter;
  TControl* second = NewForm(AppWindow, "Second");
  TControl* inner = NewButton(second, "B");
  counter.Watch(second);
  counter.Watch(inner);
  inner->GetWindowHandle();
  HWND secondWindow = second->Handle;

  SendMessageA(secondWindow, WM_CLOSE, 0, 0);
  EXPECT_FALSE(IsWindow(secondWindow));
  EXPECT_EQ(counter.gone.size(), 2u);
  EXPECT_EQ(AppWindow->Children->Count, 1);
  // No quit was posted.
  MSG msg;
  EXPECT_FALSE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE));
}

TEST_F(RunLoop, SystemCloseOfTheApplicationWindowClosesTheMainForm) {
  BuildApp();
  CloseProbe probe;
  form_->OnClose = MakeMethod<&CloseProbe::Query>(&probe);
  form_->GetWindowHandle();
  ArmSafetyQuit(10000);
  PostMessageA(AppWindow->Handle, WM_SYSCOMMAND, SC_CLOSE, 0);
  RunApplication(AppWindow);
  EXPECT_FALSE(SafetyFired());
  EXPECT_EQ(probe.asked, 1);
}

TEST_F(RunLoop, MinimisingTheMainFormMinimisesTheApplicationWindow) {
  BuildApp();
  form_->SetVisible(true);
  AppWindow->SetVisible(true);
  form_->GetWindowHandle();
  SendMessageA(form_->Handle, WM_SYSCOMMAND, SC_MINIMIZE, 0);
  EXPECT_FALSE(IsIconic(form_->Handle));
  MSG msg;
  ASSERT_TRUE(PeekMessageA(&msg, AppWindow->Handle, WM_SYSCOMMAND, WM_SYSCOMMAND, PM_REMOVE));
  EXPECT_EQ(msg.wParam & 0xFFF0, static_cast<WPARAM>(SC_MINIMIZE));
}

// Records the application messages that reach a form.
struct Recorder {
  bool OnMessage(TMessage& msg, LRESULT&) {
    if (msg.Msg >= WM_APP) seen.push_back(msg.Msg);
    return false;
  }
  std::vector<UINT> seen;
};

TEST_F(RunLoop, NullMessageEndsAPumpPassAndQuitSetsTheTerminationFlag) {
  BuildApp();
  Recorder recorder;
  form_->OnMessage = MakeMethod<&Recorder::OnMessage>(&recorder);
  HWND window = form_->GetWindowHandle();
  Drain();

  PostMessageA(window, WM_APP, 0, 0);
  PostMessageA(window, WM_NULL, 0, 0);
  PostMessageA(window, WM_APP + 1, 0, 0);
  PumpMessages(AppWindow);
  EXPECT_EQ(recorder.seen, (std::vector<UINT>{WM_APP}));
  PumpMessages(AppWindow);
  EXPECT_EQ(recorder.seen, (std::vector<UINT>{WM_APP, WM_APP + 1}));

  EXPECT_FALSE(PumpOneMessage(AppWindow));  // nothing waiting
  PostQuitMessage(0);
  EXPECT_TRUE(PumpOneMessage(AppWindow));
  EXPECT_TRUE(AppTerminated);
}

TEST_F(RunLoop, TerminatingARunningApplicationPumpsClosesAndReleasesIt) {
  BuildApp();
  DestroyCounter counter;
  Recorder recorder;
  CloseProbe probe;
  counter.Watch(AppWindow);
  form_->OnMessage = MakeMethod<&Recorder::OnMessage>(&recorder);
  AppWindow->OnClose = MakeMethod<&CloseProbe::Query>(&probe);
  HWND window = form_->GetWindowHandle();
  TControl* app = AppWindow;
  PostMessageA(window, WM_APP, 0, 0);

  AppRunning = true;
  TerminateApplication(AppWindow);
  EXPECT_EQ(recorder.seen, (std::vector<UINT>{WM_APP}));
  EXPECT_EQ(probe.asked, 1);
  EXPECT_TRUE(counter.Saw(app));
  EXPECT_EQ(AppWindow, nullptr);
  EXPECT_FALSE(AppRunning);
  EXPECT_FALSE(IsWindow(window));

  // With nothing left to terminate it does nothing.
  TerminateApplication(AppWindow);
  EXPECT_EQ(AppWindow, nullptr);
}

TEST_F(RunLoop, ApplicationWindowHeldElsewhereOutlivesTerminationUntilReleased) {
  BuildApp();
  DestroyCounter counter;
  counter.Watch(AppWindow);
  TControl* app = AppWindow;
  app->AddRef();
  AppTerminated = true;
  TerminateApplication(AppWindow);
  EXPECT_FALSE(counter.Saw(app));
  EXPECT_EQ(app->RefCount, 1);
  app->Release();
  EXPECT_TRUE(counter.Saw(app));
}

}  // namespace
