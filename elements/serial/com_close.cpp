#include <algorithm>
#include <cstdint>

#include "elements/serial/com_async.h"

namespace {
// How long ClosePort waits for the receive thread to finish what it is doing
// (a receiver may be running on it) before it ends the thread by force.
constexpr DWORD kThreadStopBoundMs = 3000;

// Output still queued at close is given at most this long to go out.
constexpr DWORD kDrainBoundMs = 2000;
constexpr DWORD kDrainPollMs = 10;
}  // namespace

TWDComAsync::~TWDComAsync() { ClosePort(); }

void TWDComAsync::ClosePort() {
  if (!Opened) {
    Opened = 0;
    return;
  }
  FireNull(onBeforeClose);
  StopReceiveThread();
  DrainOutputQueue();
  CommApi.PurgeComm(PortHandle.Get(),
                    PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR);
  FireInteger(onCTS, 0);
  FireInteger(onDSR, 0);
  FireInteger(onRLSD, 0);
  PortHandle.Close();
  FireNull(onClose);
  Opened = 0;
}

void TWDComAsync::StopReceiveThread() {
  if (ThreadHandle) {
    const HANDLE port = PortHandle.Get();
    // The stop event reaches the thread wherever it waits; the mask of 0 and
    // the cancel complete a wait the driver holds pending.
    CommApi.SetEvent(stopEvent_.Get());
    CommApi.SetCommMask(port, 0);
    CommApi.CancelIoEx(port, &receiveOverlapped_);
    if (CommApi.WaitForSingleObject(ThreadHandle.Get(), kThreadStopBoundMs) != WAIT_OBJECT_0) {
      // Last resort for a receiver that never returns. The thread's wait, if
      // still pending, must be over before its event is released.
      CommApi.TerminateThread(ThreadHandle.Get(), 0);
      CommApi.WaitForSingleObject(ThreadHandle.Get(), kThreadStopBoundMs);
      if (!HasOverlappedIoCompleted(&receiveOverlapped_)) {
        CommApi.CancelIoEx(port, &receiveOverlapped_);
        CommApi.WaitForSingleObject(receiveEvent_.Get(), kThreadStopBoundMs);
      }
    }
    ThreadHandle.Close();
  }
  receiveEvent_.Close();
  stopEvent_.Close();
}

// FlushFileBuffers has no time-out: it waits as long as flow control holds the
// output back, which at program exit would be a hang. It is called only once
// the driver reports its output queue empty, and the wait for that is bounded;
// whatever is still queued then is discarded by the purge that follows.
void TWDComAsync::DrainOutputQueue() {
  const HANDLE port = PortHandle.Get();
  DWORD errors = 0;
  COMSTAT status{};
  if (!CommApi.ClearCommError(port, &errors, &status) || status.cbOutQue == 0) return;
  const DWORD bound = std::min(WriteWaitBound(status.cbOutQue), kDrainBoundMs);
  const ULONGLONG start = CommApi.GetTickCount64();
  for (;;) {
    if (status.cbOutQue == 0) {
      CommApi.FlushFileBuffers(port);
      return;
    }
    if (CommApi.GetTickCount64() - start >= bound) return;
    CommApi.Sleep(kDrainPollMs);
    if (!CommApi.ClearCommError(port, &errors, &status)) return;
  }
}
