#include "app/program_modules.h"

#include <windows.h>

#include "app/common_controls.h"
#include "app/run_error.h"
#include "app/shell_state.h"

namespace {

// Every common-control class: list-view, tree-view, bar, tab, up-down,
// progress, hot-key and animate.
constexpr DWORD kAllCommonControlClasses = 0xFF;

void InitRunTimeCore() { InstallRunErrorHandler(); }

void InitCommonControlClasses() { InitCommonControlLibrary(kAllCommonControlClasses); }

void InitFormWindows() { InnerMessageId = RegisterWindowMessageA("inner message"); }

}  // namespace

const TModuleStep ProgramModuleSteps[6] = {
    {&InitRunTimeCore, nullptr},
    {nullptr, nullptr},
    {nullptr, nullptr},
    {nullptr, nullptr},
    {&InitCommonControlClasses, nullptr},
    {&InitFormWindows, nullptr},
};
