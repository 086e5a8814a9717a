#include "app/common_controls.h"

#include <gtest/gtest.h>

#include <string>

#include "app/program_modules.h"
#include "app/run_error.h"
#include "app/shell_state.h"
#include "elements/window/hint_manager.h"
#include "runtime/init_list.h"
#include "toolkit/str_list.h"

namespace {

bool ClassExists(const char* name) {
  WNDCLASSEXA info = {};
  info.cbSize = sizeof info;
  return GetClassInfoExA(GetModuleHandleA(nullptr), name, &info) != 0;
}

TEST(CommonControls, ExtendedClassesAreRegisteredAndTheLibraryLoadedOnce) {
  InitCommonControlLibrary(0xFF);
  const HMODULE library = CommonControlsLibrary;
  ASSERT_NE(library, nullptr);
  EXPECT_EQ(library, GetModuleHandleA("comctl32.dll"));
  for (const char* name :
       {"SysListView32", "SysTreeView32", "SysTabControl32", "msctls_progress32", "msctls_updown32",
        "msctls_hotkey32", "SysAnimate32", "ToolbarWindow32"}) {
    EXPECT_TRUE(ClassExists(name)) << name;
  }
  InitCommonControlLibrary(0xFF);
  EXPECT_EQ(CommonControlsLibrary, library);

  HWND list = CreateWindowExA(0, "SysListView32", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                              GetModuleHandleA(nullptr), nullptr);
  ASSERT_NE(list, nullptr);
  char className[32] = {};
  GetClassNameA(list, className, sizeof className);
  EXPECT_EQ(std::string(className), "SysListView32");
  DestroyWindow(list);
}

// The program's own rows: common controls (5) and the inner message (6). Row 1
// is left out here: it would take over this test program's crash handling.
TEST(ProgramModules, RowsFiveAndSixRegisterControlsAndTheInnerMessage) {
  ASSERT_NE(ProgramModuleSteps[4].Init, nullptr);
  ProgramModuleSteps[4].Init();
  EXPECT_NE(CommonControlsLibrary, nullptr);
  EXPECT_TRUE(ClassExists("SysListView32"));

  ASSERT_NE(ProgramModuleSteps[5].Init, nullptr);
  ProgramModuleSteps[5].Init();
  EXPECT_GE(InnerMessageId, 0xC000u);
  EXPECT_EQ(InnerMessageId, RegisterWindowMessageA("inner message"));
  // The hint manager comes after the classes its tooltips need, with its defaults.
  EXPECT_TRUE(ClassExists("tooltips_class32"));
  ASSERT_NE(GlobalHintManager, nullptr);
  EXPECT_EQ(GlobalHintManager->HintStyle, 1);
  EXPECT_EQ(GlobalHintManager->HintDelay, 500);
  EXPECT_EQ(GlobalHintManager->HintPause, 5000);
  EXPECT_EQ(GlobalHintManager->HintColor, 0xFF000018u);
  EXPECT_EQ(GlobalHintManager->HintFont.Name, "Tahoma");
  EXPECT_EQ(GlobalHintManager->HintFont.Size, 8);
  EXPECT_EQ(GlobalHintManager->HintFont.Color, 0xFF000017u);
  EXPECT_EQ(GlobalHintManager->HintFont.Charset, 1);
}

int DestroyedLists = 0;
void CountDestroyed(void*, TObj*) { ++DestroyedLists; }

int StartUpRuns = 0;
struct TStartUpProbe {
  void Run() { ++StartUpRuns; }
};

TEST(ProgramModules, RowSixKeepsTheFormWindowListUntilItsFinaliser) {
  ProgramModuleSteps[5].Init();
  ASSERT_NE(FormWindowList, nullptr);
  EXPECT_EQ(FormWindowList->Count, 0);
  HWND window = GetDesktopWindow();
  FormWindowList->AddObject("", reinterpret_cast<TListValue>(window));
  EXPECT_EQ(FormWindowList->IndexOfObject(reinterpret_cast<TListValue>(window)), 0);

  FormWindowList->OnDestroy = {&CountDestroyed, nullptr};
  DestroyedLists = 0;
  ASSERT_NE(ProgramModuleSteps[5].Fini, nullptr);
  ProgramModuleSteps[5].Fini();
  EXPECT_EQ(DestroyedLists, 1);
  EXPECT_EQ(FormWindowList, nullptr);
}

// A program that ends before its start-up step still gives the list back, and
// nothing left in it runs afterwards.
TEST(ProgramModules, RowFourReleasesTheStartUpList) {
  TStartUpProbe probe;
  StartUpRuns = 0;
  AddInitProc(MakeInitProc<&TStartUpProbe::Run>(probe));
  ASSERT_EQ(InitListCount(), 1);
  ASSERT_NE(ProgramModuleSteps[3].Fini, nullptr);
  ProgramModuleSteps[3].Fini();
  EXPECT_EQ(InitListCount(), 0);
  RunInitList();
  EXPECT_EQ(StartUpRuns, 0);
}

TEST(RunErrorNumbers, PlatformExceptionsMapToTheirErrorNumbers) {
  const struct {
    DWORD code;
    unsigned number;
  } cases[] = {
      {EXCEPTION_ACCESS_VIOLATION, 216},
      {EXCEPTION_ILLEGAL_INSTRUCTION, 216},
      {EXCEPTION_INT_DIVIDE_BY_ZERO, 200},
      {EXCEPTION_FLT_DIVIDE_BY_ZERO, 200},
      {EXCEPTION_INT_OVERFLOW, 215},
      {EXCEPTION_ARRAY_BOUNDS_EXCEEDED, 201},
      {EXCEPTION_STACK_OVERFLOW, 202},
      {EXCEPTION_FLT_OVERFLOW, 205},
      {EXCEPTION_FLT_UNDERFLOW, 206},
      {EXCEPTION_FLT_DENORMAL_OPERAND, 206},
      {EXCEPTION_FLT_INEXACT_RESULT, 207},
      {EXCEPTION_FLT_INVALID_OPERATION, 207},
      {EXCEPTION_FLT_STACK_CHECK, 207},
      {EXCEPTION_PRIV_INSTRUCTION, 218},
      {CONTROL_C_EXIT, 217},
      {EXCEPTION_BREAKPOINT, 255},
      {0xE06D7363, 255},
  };
  for (const auto& c : cases) EXPECT_EQ(RunErrorNumberFor(c.code), c.number) << std::hex << c.code;
}

}  // namespace
