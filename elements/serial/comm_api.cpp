#include "elements/serial/comm_api.h"

namespace {
const TCommApi kRealCommApi = {
    .CreateFileA = ::CreateFileA,
    .CloseHandle = ::CloseHandle,
    .DuplicateHandle = ::DuplicateHandle,
    .GetCommState = ::GetCommState,
    .SetCommState = ::SetCommState,
    .SetupComm = ::SetupComm,
    .SetCommTimeouts = ::SetCommTimeouts,
    .SetCommMask = ::SetCommMask,
    .PurgeComm = ::PurgeComm,
    .FlushFileBuffers = ::FlushFileBuffers,
    .ClearCommError = ::ClearCommError,
    .GetCommModemStatus = ::GetCommModemStatus,
    .EscapeCommFunction = ::EscapeCommFunction,
    .WaitCommEvent = ::WaitCommEvent,
    .WriteFile = ::WriteFile,
    .GetOverlappedResult = ::GetOverlappedResult,
    .CancelIoEx = ::CancelIoEx,
    .CreateEventA = ::CreateEventA,
    .SetEvent = ::SetEvent,
    .WaitForSingleObject = ::WaitForSingleObject,
    .WaitForMultipleObjects = ::WaitForMultipleObjects,
    .CreateThread = ::CreateThread,
    .SetThreadPriority = ::SetThreadPriority,
    .CancelSynchronousIo = ::CancelSynchronousIo,
    .GetTickCount64 = ::GetTickCount64,
    .Sleep = ::Sleep,
    .HeapAlloc = ::HeapAlloc,
    .HeapFree = ::HeapFree,
    .MsgWaitForMultipleObjects = ::MsgWaitForMultipleObjects,
    .PeekMessageA = ::PeekMessageA,
};
}  // namespace

// Initialised in this file, after the table it copies.
TCommApi CommApi = kRealCommApi;

const TCommApi& RealCommApi() { return kRealCommApi; }
