#pragma once

#include <windows.h>

#include "elements/serial/comm_api.h"
#include "elements/serial/win_handle.h"

// One overlapped request with an event of its own, and whether the driver
// holds it. Windows marks the record pending before the call and leaves it so
// when the call is refused at once, so the record alone cannot tell a refused
// request from one in flight: the flag says whether the driver took it.
class TOverlappedRequest {
 public:
  bool MakeEvent() {
    event_ = TWinHandle(CommApi.CreateEventA(nullptr, TRUE, FALSE, nullptr));
    return static_cast<bool>(event_);
  }

  // A fresh record for the next call.
  OVERLAPPED* Begin() {
    record_ = OVERLAPPED{};
    record_.hEvent = event_.Get();
    inFlight_ = false;
    return &record_;
  }

  // Given the result of the call that took Begin's record: true when the
  // driver took the request (done at once or pending).
  bool Taken(BOOL result) {
    inFlight_ = result || GetLastError() == ERROR_IO_PENDING;
    return inFlight_;
  }

  // True while the driver may still write into the record.
  bool Pending() {
    if (inFlight_ && HasOverlappedIoCompleted(&record_)) inFlight_ = false;
    return inFlight_;
  }

  OVERLAPPED* Record() { return &record_; }
  HANDLE Event() const { return event_.Get(); }

 private:
  OVERLAPPED record_{};
  TWinHandle event_;
  bool inFlight_ = false;
};
