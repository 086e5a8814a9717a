#pragma once

#include "app/module_table.h"

// What the frame's module steps run.
void InitRunTimeCore();
void InitCommonControlsAndHints();
void FreeRuntimeTables();
void InitFormWindows();
void FreeFormWindows();

// The frame's six module steps, in start-up order. A constant in plain sight,
// so that a program's own table is built on it by the compiler, not by code
// that runs at start-up.
inline constexpr TModuleStep ProgramModuleSteps[6] = {
    {&InitRunTimeCore, nullptr},
    {nullptr, nullptr},
    {nullptr, nullptr},
    {nullptr, &FreeRuntimeTables},
    {&InitCommonControlsAndHints, nullptr},
    {&InitFormWindows, &FreeFormWindows},
};
