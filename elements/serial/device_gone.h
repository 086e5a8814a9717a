#pragma once

#include <windows.h>

// True for an error with which a request on a port's handle fails once the
// device behind it has gone: the handle stays dead even after the device is
// back, and only a new open reaches it again.
bool IsDeviceGoneError(DWORD error);
