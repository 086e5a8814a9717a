#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "toolkit/control.h"
#include "toolkit/paint.h"
#include "toolkit/run_loop.h"
#include "toolkit/window_proc.h"

// The process-wide hooks as the program starts with them, taken before any test
// can replace one.
struct ToolkitDefaults {
  THandlerProc preDispatch = PreDispatchHook;
  TControlProc createWindow = CreateWindowHook;
  TControlProc realign = RealignHook;
  TControlProc repaint = RepaintHook;
  TBrushProc brush = BrushHook;
  std::uint16_t nextControlId = NextControlId;

  // Puts back every piece of process-wide toolkit state a test may have changed.
  void Restore() const {
    PreDispatchHook = preDispatch;
    CreateWindowHook = createWindow;
    RealignHook = realign;
    RepaintHook = repaint;
    BrushHook = brush;
    NextControlId = nextControlId;
    AppletCreated = 0;
    CreatingControl = nullptr;
  }
};
inline const ToolkitDefaults kToolkitDefaults;

// Counts the destruction of toolkit objects.
struct DestroyCounter {
  void Destroyed(TObj* sender) { gone.push_back(sender); }
  void Watch(TControl* control) {
    control->OnDestroy = MakeMethod<&DestroyCounter::Destroyed>(this);
  }
  bool Saw(TObj* obj) const {
    for (TObj* o : gone) {
      if (o == obj) return true;
    }
    return false;
  }
  std::vector<TObj*> gone;
};

// Every window test starts from a fresh process state and an empty queue, and
// leaves no window or pending quit behind for the next one.
class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    AppTerminated = false;
    AppRunning = false;
    AppWindow = nullptr;
    kToolkitDefaults.Restore();
    Drain();
  }

  void TearDown() override {
    KillTimer(nullptr, safetyTimer_);
    TControl* app = AppWindow;
    AppWindow = nullptr;
    Free(app);
    AppRunning = false;
    Drain();
    kToolkitDefaults.Restore();
  }

  // Removes every queued message, a pending quit included, without dispatching.
  static void Drain() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
  }

  // Handles what the queue holds now, and what that produces, through the toolkit's pump.
  static void Pump() {
    for (int pass = 0; pass < 4; ++pass) PumpMessages(AppWindow);
  }

  // A run of the loop can never hang a test: after `ms` a quit is posted.
  void ArmSafetyQuit(UINT ms) { safetyTimer_ = SetTimer(nullptr, 0, ms, &SafetyQuit); }
  static bool SafetyFired() { return safetyFired_; }

  // The application window and a main form, as the program builds them.
  void BuildApp() {
    AppWindow = NewApplet("App");
    form_ = NewForm(AppWindow, "Form");
  }

  // The application window, the form, a button and a check box, every object
  // watched by `counter` and every window created; gives the four windows.
  std::array<HWND, 4> BuildWatchedFamily(DestroyCounter& counter) {
    BuildApp();
    TControl* button = NewButton(form_, "B");
    TControl* box = NewCheckBox(form_, "C");
    for (TControl* c : {AppWindow, form_, button, box}) counter.Watch(c);
    button->GetWindowHandle();
    return {AppWindow->Handle, form_->Handle, button->Handle, box->Handle};
  }

  TControl* form_ = nullptr;

 private:
  static void CALLBACK SafetyQuit(HWND, UINT, UINT_PTR, DWORD) {
    safetyFired_ = true;
    PostQuitMessage(0);
  }
  static inline bool safetyFired_ = false;
  UINT_PTR safetyTimer_ = 0;
};

inline std::string ClassNameOf(HWND window) {
  char name[64] = {};
  GetClassNameA(window, name, sizeof(name));
  return name;
}

inline DWORD StyleOf(HWND window) {
  return static_cast<DWORD>(GetWindowLongPtrA(window, GWL_STYLE));
}

inline DWORD ExStyleOf(HWND window) {
  return static_cast<DWORD>(GetWindowLongPtrA(window, GWL_EXSTYLE));
}
