#include "app/program_modules.h"

#include <windows.h>

#include "app/common_controls.h"
#include "app/run_error.h"
#include "app/shell_state.h"
#include "runtime/init_list.h"
#include "toolkit/str_list.h"

namespace {

// Every common-control class: list-view, tree-view, bar, tab, up-down,
// progress, hot-key and animate.
constexpr DWORD kAllCommonControlClasses = 0xFF;

void InitRunTimeCore() { InstallRunErrorHandler(); }

void InitCommonControlClasses() { InitCommonControlLibrary(kAllCommonControlClasses); }

// The start-up list has run and emptied itself by now, unless the program
// ended before the start-up step.
void FreeRuntimeTables() { FreeInitList(); }

void InitFormWindows() {
  FormWindowList = NewStrListEx();
  InnerMessageId = RegisterWindowMessageA("inner message");
}

void FreeFormWindows() { FreeAndNil(FormWindowList); }

}  // namespace

const TModuleStep ProgramModuleSteps[6] = {
    {&InitRunTimeCore, nullptr},
    {nullptr, nullptr},
    {nullptr, nullptr},
    {nullptr, &FreeRuntimeTables},
    {&InitCommonControlClasses, nullptr},
    {&InitFormWindows, &FreeFormWindows},
};
