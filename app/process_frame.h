#pragma once

#include <string_view>

#include "app/module_table.h"

struct TRunErrorSite;

// Runs the module initialisers, then the program body, then leaves through the
// normal exit path with exit code 0.
[[noreturn]] void RunProcess(TModuleTable& modules, void (*body)());

// The normal exit path: module finalisers (of the modules that were
// initialised, last first), the run-time error report if an error is pending,
// the collected standard output, then `ExitProcess`. A pending error's number
// replaces `exitCode`.
[[noreturn]] void HaltProcess(unsigned exitCode);

// Makes `site` the pending error (unless one is pending already) and leaves
// through the normal exit path.
[[noreturn]] void HaltWithRunError(const TRunErrorSite& site);

// The program's standard output, shown in "Error" message boxes.
void WriteOutput(std::string_view text);
void FlushOutput();
