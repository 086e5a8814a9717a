#pragma once

#include <windows.h>

class TControl;

// A window is bound to its object by the window property "SELF_". Under Wine
// every property read is a round trip to the server, and the window procedure
// reads it for every message; so the binding is mirrored in this process, set
// and removed together with the property, and read from the mirror.

// Sets the property and the mirror.
void BindSelf(HWND window, TControl* control);
// Removes the property and the mirror's entry.
void UnbindSelf(HWND window);
// The window is ending: its properties go with it, so its entry goes too, and
// a later window that gets the same handle value is not taken for this one.
void ForgetSelf(HWND window);
// The object bound to the window, as the property would give it; nil for a
// window of another process, whose property holds no pointer of this one.
TControl* SelfOf(HWND window);
