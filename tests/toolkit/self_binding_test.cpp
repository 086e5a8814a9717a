#include <windows.h>

#include "tests/toolkit/window_fixture.h"
#include "toolkit/self_binding.h"

namespace {

using SelfBinding = WindowTest;

// Wine gives a freed window's slot to the next user handle, its generation
// (the high word) raised by one each time, so the same handle value comes back
// after 0xFFFE allocations of that slot. Menus are the cheapest user handles to
// cycle through it; true once the next allocation will get `target`.
bool CycleSlotUntilNextIs(HWND target) {
  const auto value = reinterpret_cast<UINT_PTR>(target);
  const UINT_PTR generation = (value >> 16) & 0xFFFF;
  const UINT_PTR before = (value & 0xFFFF) | ((generation == 1 ? 0xFFFE : generation - 1) << 16);
  for (int i = 0; i < 0x10000; ++i) {
    HMENU menu = CreateMenu();
    DestroyMenu(menu);
    const auto got = reinterpret_cast<UINT_PTR>(menu);
    if ((got & 0xFFFF) != (value & 0xFFFF)) return false;  // the slot went elsewhere
    if (got == before) return true;
  }
  return false;
}

bool SwallowWindowEnd(TControl*, TMessage& msg, LRESULT& result) {
  result = 0;
  return msg.Msg == WM_NCDESTROY;
}

// A foreign subclass that keeps the window's last message from the toolkit.
WNDPROC ToolkitProc = nullptr;
LRESULT CALLBACK ForeignSwallowingWindowEnd(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_NCDESTROY) return 0;
  return CallWindowProcA(ToolkitProc, hwnd, msg, wParam, lParam);
}

struct TCase {
  const char* name;
  THandlerProc preDispatch;  // nullptr: the toolkit sees the window's last message
  bool foreignSubclass;      // the last message never reaches the toolkit at all
};

// One round of a case. Handles are the wine server's, shared by every process
// of the test world: one that makes a window or a menu meanwhile may take the
// slot, and then `slotKept` stays false and the round may be tried again.
void EndWindowAndReuseItsHandle(TControl* form, const TCase& c, bool& slotKept) {
  TControl* old = NewButton(form, "Old");
  HWND window = old->GetWindowHandle();
  ASSERT_EQ(SelfOf(window), old);

  if (c.preDispatch) PreDispatchHook = c.preDispatch;
  if (c.foreignSubclass) {
    ToolkitProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(
        window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ForeignSwallowingWindowEnd)));
  }
  DestroyWindow(window);
  PreDispatchHook = kToolkitDefaults.preDispatch;
  ASSERT_FALSE(IsWindow(window));
  if (!c.foreignSubclass) {
    EXPECT_EQ(SelfOf(window), nullptr);
  }
  // The next object exists before the old one is freed, so that it cannot
  // take the old one's address.
  TControl* next = NewButton(form, "Next");
  Free(old);
  EXPECT_EQ(SelfOf(window), nullptr);

  if (CycleSlotUntilNextIs(window)) {
    HWND foreign = CreateWindowExA(0, "STATIC", "", WS_CHILD, 0, 0, 1, 1, form->Handle, nullptr,
                                   GetModuleHandleA(nullptr), nullptr);
    if (foreign == window) {
      EXPECT_EQ(SelfOf(foreign), nullptr);
      EXPECT_EQ(GetPropA(foreign, "SELF_"), nullptr);
    }
    DestroyWindow(foreign);
    if (foreign == window && CycleSlotUntilNextIs(window) && next->GetWindowHandle() == window) {
      slotKept = true;
      EXPECT_EQ(SelfOf(window), next);
      EXPECT_EQ(GetPropA(window, "SELF_"), next);
    }
  }
  Free(next);
  EXPECT_EQ(SelfOf(window), nullptr);
}

// However a bound window ends, a later window with the same handle value is
// found as itself: as the new object when it is the toolkit's, as none when it
// is foreign, never as the object of the window that was there before.
TEST_F(SelfBinding, WindowEndedAndHandleValueReusedFindsTheNewObjectOrNone) {
  const TCase cases[] = {
      {"the toolkit handles the last message", nullptr, false},
      {"a hook swallows the last message", SwallowWindowEnd, false},
      {"a foreign subclass swallows the last message", nullptr, true},
  };
  BuildApp();
  form_->GetWindowHandle();
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.name);
    bool slotKept = false;
    for (int round = 0; round < 5 && !slotKept && !HasFatalFailure(); ++round) {
      EndWindowAndReuseItsHandle(form_, c, slotKept);
    }
    EXPECT_TRUE(slotKept) << "another process took the window's handle slot every time";
  }
}

}  // namespace
