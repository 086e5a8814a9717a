#include <thread>

#include "tests/elements/window/form_fixture.h"

namespace {

using FormInput = FormTest;

TEST_F(FormInput, ActivationChangesFireActivateAndDeactivate) {
  PointProbe probe;
  auto form = MakeForm([&](TWDMainForm& f) {
    probe.Bind(f.onActivate, "activate");
    probe.Bind(f.onDeactivate, "deactivate");
  });
  RunInitList();
  HWND window = form->Control->Handle;
  SetForegroundWindow(window);
  PumpFor(50);
  ASSERT_EQ(GetActiveWindow(), window);
  probe.log.clear();

  HWND other = CreateWindowExA(0, "STATIC", "other", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, 100,
                               100, nullptr, nullptr, nullptr, nullptr);
  SetForegroundWindow(other);
  PumpFor(50);
  SetForegroundWindow(window);
  PumpFor(50);
  EXPECT_EQ(probe.log, (std::vector<std::string>{"deactivate", "activate"}));
  DestroyWindow(other);
}

// The pointer moves and lets go on a thread of its own: the system's move loop
// holds this one until the button is released.
TEST_F(FormInput, DragFormMovesTheWindowUnderARealPointerDrag) {
  PointProbe probe;
  auto form = MakeForm([&](TWDMainForm& f) {
    f.DragForm = 1;
    probe.Bind(f.onMouseDown, "down");
  });
  RunInitList();
  HWND window = form->Control->Handle;
  SetForegroundWindow(window);
  PumpFor(50);
  RECT before;
  GetWindowRect(window, &before);
  const POINT start = CentreOf(window);
  MoveTo(start);

  auto waitFor = [](auto done) {
    for (int i = 0; i < 500 && !done(); ++i) Sleep(10);
  };
  std::thread pointer([start, waitFor, gui = GetCurrentThreadId()] {
    // The moves go once the system's move loop holds the press, each after
    // the one before has reached the pointer.
    waitFor([gui] {
      GUITHREADINFO info{};
      info.cbSize = sizeof info;
      return GetGUIThreadInfo(gui, &info) && info.flags & GUI_INMOVESIZE;
    });
    INPUT in[5] = {};
    for (int step = 0; step < 5; ++step) {
      const POINT to{start.x + 10 * step + 10, start.y + 5 * step + 5};
      in[step].type = INPUT_MOUSE;
      in[step].mi.dx = MulDiv(to.x, 65536, GetSystemMetrics(SM_CXSCREEN)) + 1;
      in[step].mi.dy = MulDiv(to.y, 65536, GetSystemMetrics(SM_CYSCREEN)) + 1;
      in[step].mi.dwFlags = step < 4 ? MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE : MOUSEEVENTF_LEFTUP;
      SendInput(1, &in[step], sizeof in[step]);
      POINT at{};
      if (step < 4) waitFor([&] { return GetCursorPos(&at) && at.x == to.x && at.y == to.y; });
    }
  });
  Mouse(MOUSEEVENTF_LEFTDOWN);
  pointer.join();
  PumpUntil([&] { return probe.Count("down:0") == 1; }, 5000);

  RECT after;
  GetWindowRect(window, &after);
  EXPECT_EQ(after.left - before.left, 40);
  EXPECT_EQ(after.top - before.top, 20);
  EXPECT_EQ(after.right - after.left, 119);
  EXPECT_EQ(probe.Count("down:0"), 1) << "the press is reported once the drag is over";
}

TEST_F(FormInput, AFollowingFormMovesWithItsOwnerAndLeavesTheListWhenDestroyed) {
  auto owner = MakeForm([](TWDMainForm& f) { f.MoveNotification = "moved"; });
  auto follower = MakeForm([&](TWDMainForm& f) {
    f.Width = 150;
    f.Height = 100;
    f.OwnerLink = owner->WindowInterface();
    f.FollowOffsetX = 10;
    f.FollowOffsetY = 20;
  });
  EXPECT_EQ(follower->OwnsApplication, 0);
  HWND followerWindow = follower->Control->Handle;
  ASSERT_EQ(FormWindowList->Count, 1);
  EXPECT_EQ(reinterpret_cast<HWND>(FormWindowList->Objects->Get(0)), followerWindow);
  RunInitList();

  owner->Control->SetPosition(200, 150);
  Pump();
  RECT r;
  GetWindowRect(followerWindow, &r);
  EXPECT_EQ(r.left, 210);
  EXPECT_EQ(r.top, 170);
  EXPECT_EQ(r.right - r.left, 150);
  EXPECT_EQ(r.bottom - r.top, 100);
  EXPECT_EQ(AppWindow->Left(), 200) << "the application window goes where the form goes";

  // Both controls go with the application window; the entry is found by its
  // window all the same.
  TControl* app = AppWindow;
  AppWindow = nullptr;
  Free(app);
  EXPECT_EQ(follower->ControlGone, 1);
  follower.reset();
  EXPECT_EQ(FormWindowList->Count, 0);
}

}  // namespace
