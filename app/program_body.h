#pragma once

#include "app/module_table.h"

class TWDMainForm;

// The program's main routine, run once between the module initialisers and
// the finalisers: the credit box for "/iw", otherwise the schema's window
// until it closes.
void ProgramBody();

// Between building the schema and running the loop: the application window is
// shown, dispatch is switched on and the start-up list runs.
void PrepareStart(TWDMainForm& form);

// The program's module steps: the frame's six, then the schema's own, whose
// finaliser destroys the elements of a schema that an error stopped half-built.
extern const TModuleStep ComswitchModuleSteps[7];
