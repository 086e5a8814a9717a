#pragma once

#include "app/module_table.h"

// The program's six module steps, in start-up order.
extern const TModuleStep ProgramModuleSteps[6];
