#include <windows.h>

#include "tests/toolkit/window_fixture.h"

namespace {

using OwnerShow = WindowTest;

struct VisibilityProbe {
  void Shown(TControl*) { events.push_back('S'); }
  void Hidden(TControl*) { events.push_back('H'); }
  std::string events;
};

// The application window hides and shows the forms it owns; each comes back as it was.
TEST_F(OwnerShow, FormHiddenWithItsOwnerComesBackInTheStateItHad) {
  BuildApp();
  VisibilityProbe probe;
  form_->SetOnShow(MakeMethod<&VisibilityProbe::Shown>(&probe));
  form_->SetOnHide(MakeMethod<&VisibilityProbe::Hidden>(&probe));
  AppWindow->SetVisible(true);
  form_->SetVisible(true);
  HWND window = form_->GetWindowHandle();
  HWND owner = AppWindow->Handle;
  ASSERT_TRUE(IsWindowVisible(window));
  probe.events.clear();

  ShowWindow(window, SW_MAXIMIZE);
  ASSERT_TRUE(IsZoomed(window));
  ShowOwnedPopups(owner, FALSE);
  EXPECT_FALSE(IsWindowVisible(window));
  EXPECT_EQ(form_->RestoreShowCmd, SW_SHOWMAXIMIZED);
  EXPECT_EQ(form_->Visible, 0);
  ShowOwnedPopups(owner, TRUE);
  EXPECT_TRUE(IsWindowVisible(window));
  EXPECT_TRUE(IsZoomed(window));
  EXPECT_EQ(form_->RestoreShowCmd, 0);
  EXPECT_EQ(form_->Visible, 1);
  EXPECT_EQ(probe.events, "HS");

  // A minimised form comes back minimised, a normal one normal.
  ShowWindow(window, SW_MINIMIZE);
  ShowOwnedPopups(owner, FALSE);
  EXPECT_EQ(form_->RestoreShowCmd, SW_SHOWMINNOACTIVE);
  ShowOwnedPopups(owner, TRUE);
  EXPECT_TRUE(IsWindowVisible(window));
  EXPECT_TRUE(IsIconic(window));
  ShowWindow(window, SW_RESTORE);  // back to maximised, as before the minimising
  ShowWindow(window, SW_RESTORE);
  ShowOwnedPopups(owner, FALSE);
  EXPECT_EQ(form_->RestoreShowCmd, SW_SHOWNOACTIVATE);
  ShowOwnedPopups(owner, TRUE);
  EXPECT_TRUE(IsWindowVisible(window));
  EXPECT_FALSE(IsIconic(window) || IsZoomed(window));
  // Each change was announced once.
  EXPECT_EQ(probe.events, "HSHSHS");
}

// Records the tracking messages that reach a control.
struct TrackRecorder {
  bool OnMessage(TMessage& msg, LRESULT&) {
    if (msg.Msg == WM_MOUSELEAVE || msg.Msg == WM_MOUSEHOVER) seen.push_back(msg.Msg);
    return false;
  }
  std::vector<UINT> seen;
};

// Handles messages until `done` holds or `ms` have passed.
template <class Done>
bool PumpUntil(Done done, DWORD ms) {
  const DWORD start = GetTickCount();
  while (!done()) {
    if (GetTickCount() - start > ms) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    PumpMessages(AppWindow);
  }
  return true;
}

using MouseTracking = WindowTest;

TEST_F(MouseTracking, TrackedControlHearsThePointerLeaveAndHover) {
  BuildApp();
  TrackRecorder recorder;
  form_->SetBoundsRect({100, 100, 300, 300});
  form_->SetVisible(true);
  TControl* button = NewButton(form_, "B");
  button->SetBoundsRect({20, 20, 120, 60});
  button->OnMessage = MakeMethod<&TrackRecorder::OnMessage>(&recorder);
  form_->GetWindowHandle();
  SetForegroundWindow(form_->Handle);
  RECT r;
  GetWindowRect(button->Handle, &r);
  const POINT inside{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  ASSERT_TRUE(SetCursorPos(inside.x, inside.y));
  Pump();
  ASSERT_EQ(WindowFromPoint(inside), button->Handle);

  TrackMouse(button, TME_LEAVE);
  TRACKMOUSEEVENT query{};
  query.cbSize = sizeof(query);
  query.dwFlags = TME_QUERY;
  ASSERT_TRUE(TrackMouseEvent(&query));
  EXPECT_EQ(query.hwndTrack, button->Handle);
  EXPECT_TRUE(query.dwFlags & TME_LEAVE);
  SetCursorPos(inside.x + 400, inside.y + 400);
  EXPECT_TRUE(PumpUntil([&] { return !recorder.seen.empty(); }, 3000));
  EXPECT_EQ(recorder.seen, (std::vector<UINT>{WM_MOUSELEAVE}));

  // Back inside and still: the hover is reported once the system's hover time passed.
  recorder.seen.clear();
  SetCursorPos(inside.x, inside.y);
  Pump();
  TrackMouse(button, TME_HOVER);
  EXPECT_TRUE(PumpUntil([&] { return !recorder.seen.empty(); }, 3000));
  EXPECT_EQ(recorder.seen, (std::vector<UINT>{WM_MOUSEHOVER}));
}

TEST_F(MouseTracking, CursorSetWhileThePointerIsOverTheClientAreaShowsAtOnce) {
  BuildApp();
  form_->SetBoundsRect({100, 100, 300, 300});
  form_->SetVisible(true);
  HWND window = form_->GetWindowHandle();
  POINT inside{50, 50};
  ClientToScreen(window, &inside);
  ASSERT_TRUE(SetCursorPos(inside.x, inside.y));
  Pump();
  HCURSOR cross = LoadCursorA(nullptr, IDC_CROSS);
  HCURSOR wait = LoadCursorA(nullptr, IDC_WAIT);
  SetCursor(nullptr);
  form_->SetCursor(cross);
  EXPECT_EQ(GetCursor(), cross);

  // Outside the client area the current cursor is left alone.
  SetCursorPos(inside.x + 400, inside.y + 400);
  Pump();
  SetCursor(nullptr);
  form_->SetCursor(wait);
  EXPECT_EQ(GetCursor(), nullptr);
  EXPECT_EQ(form_->Cursor, wait);
}

TEST_F(MouseTracking, TrackingAControlWithoutAWindowCreatesIt) {
  BuildApp();
  TControl* button = NewButton(form_, "B");
  TrackMouse(button, TME_LEAVE);
  EXPECT_NE(button->Handle, nullptr);
  EXPECT_TRUE(IsWindow(button->Handle));
}

}  // namespace
