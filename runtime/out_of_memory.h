#pragma once

// What happens when the heap cannot satisfy a request. The program installs its
// run-time error report here; until then the process is aborted.
using TOutOfMemoryHandler = void (*)();
extern TOutOfMemoryHandler OutOfMemoryHandler;

// Calls the handler; never returns.
[[noreturn]] void RaiseOutOfMemory();
