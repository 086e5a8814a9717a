#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "elements/window/win.h"
#include "runtime/event.h"
#include "tests/toolkit/window_fixture.h"

// Receives what an element's points send: one line "name:value" per firing,
// "name" alone for NULL. A data point bound here answers `answer` when set.
struct PointProbe {
  void Got(TData& data, std::uint16_t index) {
    std::string line = names[index];
    if (data.DataType == dtInteger) line += ":" + std::to_string(data.IntValue);
    if (data.DataType == dtString) line += ":" + std::string(data.StrValue.View());
    log.push_back(line);
    if (index < answers.size() && answers[index].DataType != dtNull) data = answers[index];
  }
  void Bind(TWD_Event& point, const char* name) {
    names.push_back(name);
    answers.emplace_back();
    MakePoint<&PointProbe::Got>(*this, static_cast<std::uint16_t>(names.size() - 1), point);
  }
  int Count(const std::string& line) const {
    int n = 0;
    for (const std::string& l : log) n += l == line;
    return n;
  }
  std::vector<std::string> names;
  std::vector<TData> answers;
  std::vector<std::string> log;
};

// Real windows with dispatch switched on: a visible form at (100, 100) and
// helpers that make elements on it and drive the real input queue.
class ElementTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    EnableDispatch();
    BuildApp();
    form_->SetBoundsRect({100, 100, 400, 300});
    form_->SetVisible(true);
    form_->GetWindowHandle();
    SetForegroundWindow(form_->Handle);
  }
  void TearDown() override {
    DisableDispatch();
    WindowTest::TearDown();
  }

  // A button element initialised at (20, 20), 100 x 40.
  static TWDWin* NewButtonElement(TControl* form, int left = 20) {
    TWDWin* e = new TWDWin(form);
    e->Control = NewButton(form, "B");
    e->Left = left;
    e->Top = 20;
    e->Width = 100;
    e->Height = 40;
    return e;
  }

  static POINT CentreOf(HWND window) {
    RECT r;
    GetWindowRect(window, &r);
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  }

  // Input through the system's queue, then handled by the toolkit's pump until
  // this thread has taken it from its queue: each input carries a mark of its
  // own, which a message hook looks for, so that an event the display hands on
  // late cannot land in the next step. Input for no window of this thread, and
  // a move to where the pointer already is, make no message here.
  static void Send(INPUT input, const POINT* to = nullptr) {
    static ULONG_PTR mark = 0;
    (input.type == INPUT_MOUSE ? input.mi.dwExtraInfo : input.ki.dwExtraInfo) = sentMark_ = ++mark;
    POINT at{};
    GetCursorPos(&at);
    const HWND under = WindowFromPoint(to ? *to : at);
    const bool arrives =
        input.type == INPUT_KEYBOARD
            ? GetFocus() || GetActiveWindow()
            : (GetCapture() || GetWindowThreadProcessId(under, nullptr) == GetCurrentThreadId()) &&
                  !(to && at.x == to->x && at.y == to->y);
    const HHOOK hook = SetWindowsHookExA(WH_GETMESSAGE, &SeeMark, nullptr, GetCurrentThreadId());
    SendInput(1, &input, sizeof input);
    if (arrives) PumpUntil([] { return takenMark_ == sentMark_; }, 5000);
    UnhookWindowsHookEx(hook);
  }
  static LRESULT CALLBACK SeeMark(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HC_ACTION && static_cast<ULONG_PTR>(GetMessageExtraInfo()) == sentMark_) {
      takenMark_ = sentMark_;
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
  }
  static inline ULONG_PTR sentMark_ = 0, takenMark_ = 0;
  static void MoveTo(POINT p) {
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dx = MulDiv(p.x, 65536, GetSystemMetrics(SM_CXSCREEN)) + 1;
    in.mi.dy = MulDiv(p.y, 65536, GetSystemMetrics(SM_CYSCREEN)) + 1;
    in.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    Send(in, &p);
  }
  static void Mouse(DWORD flags, int wheel = 0) {
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dwFlags = flags;
    in.mi.mouseData = static_cast<DWORD>(wheel);
    Send(in);
  }
  static void Key(WORD key, bool up) {
    INPUT in{};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = key;
    in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    Send(in);
  }
  static void PumpFor(DWORD ms) {
    PumpUntil([] { return false; }, ms);
  }
  // Pumps until `done` holds or `ms` passed; true when it held.
  template <class Condition>
  static bool PumpUntil(Condition done, DWORD ms) {
    const DWORD start = GetTickCount();
    do {
      MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
      PumpMessages(AppWindow);
      if (done()) return true;
    } while (GetTickCount() - start < ms);
    return false;
  }
};
