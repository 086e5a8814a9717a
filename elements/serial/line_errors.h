#pragma once

#include <windows.h>

// The message for a line error word: of the flags present, the one latest in
// the order framing, parity (only when parity is checked), overrun, queue
// overflow, transmit queue full, break, I/O error, mode wins. Empty when none.
const char* LineErrorMessage(DWORD errors, bool parityCheck);
