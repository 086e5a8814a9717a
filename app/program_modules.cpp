#include "app/program_modules.h"

#include <windows.h>

#include "app/common_controls.h"
#include "app/run_error.h"
#include "app/shell_state.h"
#include "app/system_library.h"
#include "elements/window/hint_manager.h"
#include "runtime/init_list.h"
#include "toolkit/str_list.h"

namespace {

// Every common-control class: list-view, tree-view, bar, tab, up-down,
// progress, hot-key and animate.
constexpr DWORD kAllCommonControlClasses = 0xFF;

}  // namespace

void InitRunTimeCore() {
  RestrictDllSearchToSystemFolder();
  InstallRunErrorHandler();
}

// The tooltip class the hint manager uses is registered by the common controls.
void InitCommonControlsAndHints() {
  InitCommonControlLibrary(kAllCommonControlClasses);
  GlobalHintManager = NewHintManager();
}

// The start-up list has run and emptied itself by now, unless the program
// ended before the start-up step.
void FreeRuntimeTables() { FreeInitList(); }

void InitFormWindows() {
  FormWindowList = NewStrListEx();
  InnerMessageId = RegisterWindowMessageA("inner message");
}

void FreeFormWindows() { FreeAndNil(FormWindowList); }
