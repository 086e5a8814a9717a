#pragma once

#include <windows.h>

// "comctl32.dll" of the system folder once it has been loaded; never released.
extern HMODULE CommonControlsLibrary;

// Registers the common-control window classes: always the classic set, and the
// classes named by `flags` where the library offers the extended call. A
// library without it, or no library at all, is not an error.
void InitCommonControlLibrary(DWORD flags);
