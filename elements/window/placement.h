#pragma once

#include <windows.h>

#include "toolkit/control.h"

// Places a top-level window in the middle of the primary screen.
void CentreOnScreen(TControl* control);

// True when some part of `rect` (screen coordinates) lies on the work area of a
// monitor, so that a window placed there can still be reached.
bool LiesOnSomeWorkArea(const RECT& rect);
