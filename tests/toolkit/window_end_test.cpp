#include <windows.h>

#include "tests/toolkit/window_fixture.h"

namespace {

using WindowEnd = WindowTest;

TEST_F(WindowEnd, MainFormDestroyedByThePlatformIsFreedLaterAndLeavesItsParent) {
  BuildApp();
  DestroyCounter counter;
  TControl* button = NewButton(form_, "B");
  counter.Watch(form_);
  counter.Watch(button);
  button->GetWindowHandle();
  HWND buttonWindow = button->Handle;

  DestroyWindow(form_->Handle);
  EXPECT_FALSE(IsWindow(buttonWindow));
  EXPECT_TRUE(counter.gone.empty());  // freed from the queue, not inside the destruction
  Pump();
  EXPECT_EQ(counter.gone.size(), 2u);
  // The application window no longer holds it, so its own end frees nothing twice.
  EXPECT_EQ(AppWindow->Children->Count, 0);
}

TEST_F(WindowEnd, FormOfTheApplicationWindowDestroyedByThePlatformIsFreedAtOnce) {
  BuildApp();
  DestroyCounter counter;
  TControl* second = NewForm(AppWindow, "Second");
  counter.Watch(second);
  DestroyWindow(second->GetWindowHandle());
  EXPECT_EQ(counter.gone.size(), 1u);
  EXPECT_EQ(AppWindow->Children->Count, 1);
}

// Records the application messages that reach the application window.
struct AppHook {
  bool OnMessage(TMessage& msg, LRESULT&) {
    if (msg.Msg == WM_APP) seen.push_back(msg.Window);
    return false;
  }
  std::vector<HWND> seen;
};

TEST_F(WindowEnd, ObjectFreedBySelfMessageLeavesItsWindowUnbound) {
  BuildApp();
  DestroyCounter counter;
  AppHook hook;
  TControl* button = NewButton(form_, "B");
  counter.Watch(form_);
  counter.Watch(button);
  AppWindow->OnMessage = MakeMethod<&AppHook::OnMessage>(&hook);
  button->GetWindowHandle();
  HWND formWindow = form_->Handle;
  HWND buttonWindow = button->Handle;

  SendMessageA(formWindow, MSG_FREE_SELF, 0, 0);
  EXPECT_EQ(counter.gone.size(), 2u);
  EXPECT_EQ(AppWindow->Children->Count, 0);
  // The form's own window stays, no longer bound; the child's window went with its object.
  ASSERT_TRUE(IsWindow(formWindow));
  EXPECT_EQ(GetPropA(formWindow, "SELF_"), nullptr);
  EXPECT_FALSE(IsWindow(buttonWindow));
  SendMessageA(formWindow, WM_APP, 0, 0);
  EXPECT_EQ(hook.seen, (std::vector<HWND>{formWindow}));
  DestroyWindow(formWindow);
  EXPECT_TRUE(IsWindow(AppWindow->Handle));
}

// The program's exit path as the log-off must find it: the application window
// already released, the loop marked as ended. Its exit code tells what it saw.
TControl* endingApp = nullptr;
DestroyCounter* endingCounter = nullptr;
void ExitPathProbe(unsigned exitCode) {
  const bool released = AppWindow == nullptr && endingCounter->Saw(endingApp);
  const bool ended = AppTerminated && !AppRunning;
  std::_Exit(released && ended ? 40 + static_cast<int>(exitCode) : 3);
}

TEST_F(WindowEnd, LogOffEndsTheProcessAtOnceWithCodeZero) {
  EXPECT_EXIT(
      {
        BuildApp();
        form_->GetWindowHandle();
        AppRunning = true;
        SendMessageA(form_->Handle, WM_ENDSESSION, TRUE, 0);
        std::_Exit(3);  // not reached when the log-off is honoured
      },
      ::testing::ExitedWithCode(0), "");
  // The log-off leaves through the program's own exit path with code 0.
  EXPECT_EXIT(
      {
        BuildApp();
        DestroyCounter counter;
        counter.Watch(AppWindow);
        endingApp = AppWindow;
        endingCounter = &counter;
        ProgramExit = ExitPathProbe;
        form_->GetWindowHandle();
        AppRunning = true;
        SendMessageA(form_->Handle, WM_ENDSESSION, TRUE, 0);
        std::_Exit(4);
      },
      ::testing::ExitedWithCode(40), "");
  // A session end that was cancelled changes nothing.
  BuildApp();
  form_->GetWindowHandle();
  SendMessageA(form_->Handle, WM_ENDSESSION, FALSE, 0);
  EXPECT_NE(AppWindow, nullptr);
  EXPECT_FALSE(AppTerminated);
}

TEST_F(WindowEnd, ControlCursorIsShownOverItsClientAreaUnlessTheMouseIsCaptured) {
  BuildApp();
  HCURSOR cross = LoadCursorA(nullptr, IDC_CROSS);
  form_->SetCursor(cross);
  HWND window = form_->GetWindowHandle();
  SetCursor(nullptr);
  EXPECT_EQ(SendMessageA(window, WM_SETCURSOR, reinterpret_cast<WPARAM>(window),
                         MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)),
            1);
  EXPECT_EQ(GetCursor(), cross);
  SetCursor(nullptr);
  EXPECT_EQ(SendMessageA(window, WM_SETCURSOR, reinterpret_cast<WPARAM>(window),
                         MAKELPARAM(HTCAPTION, WM_MOUSEMOVE)),
            0);
  EXPECT_NE(GetCursor(), cross);
  // Controls made later under the form inherit its cursor.
  TControl* button = NewButton(form_, "B");
  EXPECT_EQ(button->Cursor, cross);
}

std::vector<UINT> previousSaw;
LRESULT CALLBACK PreviousProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  previousSaw.push_back(msg);
  return DefWindowProcA(hwnd, msg, wParam, lParam);
}

TEST_F(WindowEnd, SubclassedForeignChildLeavesItsBackgroundToABufferedParent) {
  BuildApp();
  HWND parent = form_->GetWindowHandle();
  WNDCLASSA wc{};
  wc.lpfnWndProc = PreviousProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "SubclassedChild";
  RegisterClassA(&wc);
  HWND child = CreateWindowExA(0, "SubclassedChild", "", WS_CHILD, 0, 0, 10, 10, parent, nullptr,
                               wc.hInstance, nullptr);
  ASSERT_NE(child, nullptr);
  SetPropA(child, "PREV_PROC", reinterpret_cast<HANDLE>(&PreviousProc));
  SetWindowLongPtrA(child, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ChildSubclassProc));
  HDC dc = GetDC(child);

  previousSaw.clear();
  form_->DoubleBuffered = 1;
  EXPECT_EQ(SendMessageA(child, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0), 1);
  SendMessageA(child, WM_APP, 0, 0);
  EXPECT_EQ(previousSaw, (std::vector<UINT>{WM_APP}));

  // Without buffering, or while the parent paints into its buffer, the child erases itself.
  previousSaw.clear();
  form_->DoubleBuffered = 0;
  SendMessageA(child, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
  EXPECT_EQ(previousSaw, (std::vector<UINT>{WM_ERASEBKGND}));
  ReleaseDC(child, dc);
  DestroyWindow(child);
}

}  // namespace
