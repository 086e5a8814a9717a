#pragma once

#include "app/module_table.h"
#include "app/program_modules.h"

class TWDMainForm;

// The program's main routine, run once between the module initialisers and
// the finalisers: the credit box for "/iw", otherwise the schema's window
// until it closes.
void ProgramBody();

// Between building the schema and running the loop: the application window is
// shown, dispatch is switched on and the start-up list runs.
void PrepareStart(TWDMainForm& form);

// Destroys the elements of a schema that an error stopped half-built.
void DestroyUnfinishedSchema();

// The program's module steps: the frame's six, then the schema's own. In plain
// sight, so that the error-report tests run the program's own frame steps.
inline constexpr TModuleStep ComswitchModuleSteps[7] = {
    ProgramModuleSteps[0],
    ProgramModuleSteps[1],
    ProgramModuleSteps[2],
    ProgramModuleSteps[3],
    ProgramModuleSteps[4],
    ProgramModuleSteps[5],
    {nullptr, &DestroyUnfinishedSchema},
};
