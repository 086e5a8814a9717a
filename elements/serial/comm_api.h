#pragma once

#include <windows.h>

// Every platform call the serial element makes goes through this table, so
// that tests can make any one of them fail, answer pending or record its
// arguments. It holds the real functions unless a TCommApiOverride is alive.
struct TCommApi {
  decltype(&::CreateFileA) CreateFileA;
  decltype(&::CloseHandle) CloseHandle;
  decltype(&::DuplicateHandle) DuplicateHandle;
  decltype(&::GetCommState) GetCommState;
  decltype(&::SetCommState) SetCommState;
  decltype(&::SetupComm) SetupComm;
  decltype(&::SetCommTimeouts) SetCommTimeouts;
  decltype(&::SetCommMask) SetCommMask;
  decltype(&::PurgeComm) PurgeComm;
  decltype(&::FlushFileBuffers) FlushFileBuffers;
  decltype(&::ClearCommError) ClearCommError;
  decltype(&::GetCommModemStatus) GetCommModemStatus;
  decltype(&::EscapeCommFunction) EscapeCommFunction;
  decltype(&::WaitCommEvent) WaitCommEvent;
  decltype(&::WriteFile) WriteFile;
  decltype(&::GetOverlappedResult) GetOverlappedResult;
  decltype(&::CancelIoEx) CancelIoEx;
  decltype(&::CreateEventA) CreateEventA;
  decltype(&::SetEvent) SetEvent;
  decltype(&::WaitForSingleObject) WaitForSingleObject;
  decltype(&::WaitForMultipleObjects) WaitForMultipleObjects;
  decltype(&::CreateThread) CreateThread;
  decltype(&::SetThreadPriority) SetThreadPriority;
  decltype(&::CancelSynchronousIo) CancelSynchronousIo;
  decltype(&::GetTickCount64) GetTickCount64;
  decltype(&::Sleep) Sleep;
  // The records a driver may still write into after their owner is gone:
  // allocated and freed here, so that tests count the frees.
  decltype(&::HeapAlloc) HeapAlloc;
  decltype(&::HeapFree) HeapFree;
  // user32: the GUI thread goes on handling sent messages while the close waits.
  decltype(&::MsgWaitForMultipleObjects) MsgWaitForMultipleObjects;
  decltype(&::PeekMessageA) PeekMessageA;
};

// The table in use. Written only while no port is open and no flushing thread
// the close let go of still runs: the element's threads read it without a lock.
extern TCommApi CommApi;

// The table of the real kernel32 functions.
const TCommApi& RealCommApi();

// Replaces entries of CommApi for its lifetime and puts the previous table
// back when it ends, whatever the test did in between.
class TCommApiOverride {
 public:
  TCommApiOverride() : saved_(CommApi) {}
  ~TCommApiOverride() { CommApi = saved_; }
  TCommApiOverride(const TCommApiOverride&) = delete;
  TCommApiOverride& operator=(const TCommApiOverride&) = delete;

  TCommApi* operator->() { return &CommApi; }

 private:
  TCommApi saved_;
};
