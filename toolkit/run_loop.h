#pragma once

#include "toolkit/control.h"

// The invisible application window that owns the main form's window.
extern TControl* AppWindow;
// True while RunApplication is active.
extern bool AppRunning;
// Set when the loop must end; never cleared.
extern bool AppTerminated;

// Leaves the program through its normal exit path. The program installs its own
// (module finalisers, then the end of the process); until then the C run-time's
// exit is used. It does not return.
using TProgramExit = void (*)(unsigned exitCode);
extern TProgramExit ProgramExit;

// Runs the message loop over `window` (AppWindow itself, so that it can be cleared).
void RunApplication(TControl*& window);
// Handles every message waiting in the thread's queue.
void PumpMessages(TControl* window);
// Takes and handles one message; false when none was waiting or it was WM_NULL.
bool PumpOneMessage(TControl* window);
// Ends the run and releases the application window.
void TerminateApplication(TControl*& window);
