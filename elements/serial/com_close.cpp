#include <algorithm>
#include <cstdint>

#include "elements/serial/com_async.h"

namespace {
// Output still queued at close is given at most this long to go out.
constexpr DWORD kDrainBoundMs = 2000;
constexpr DWORD kDrainPollMs = 10;

// The flush that follows gets at most this long, and a flush that has not
// returned then is cancelled and given this much more before it is left to
// the purge.
constexpr DWORD kFlushBoundMs = 1000;
constexpr DWORD kFlushCancelBoundMs = 250;

// The pause before a failed wait for the receive thread is made again.
constexpr DWORD kFailedWaitPauseMs = 10;

// Waits up to `ms` (or without limit, INFINITE) for `handle`, handling the
// messages other threads send to this one meanwhile (a receiver on the receive
// thread may be waiting in SendMessage for this thread). Posted messages stay
// queued. True once the handle is signalled.
bool WaitHandlingSentMessages(HANDLE handle, DWORD ms) {
  const ULONGLONG start = CommApi.GetTickCount64();
  for (;;) {
    // Dispatches only the sent messages, including those already waiting
    // before the wait began, and removes nothing from the posted queue.
    MSG message;
    CommApi.PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    const ULONGLONG elapsed = CommApi.GetTickCount64() - start;
    DWORD left = INFINITE;
    if (ms != INFINITE) left = elapsed >= ms ? 0 : static_cast<DWORD>(ms - elapsed);
    const DWORD woken = CommApi.MsgWaitForMultipleObjects(1, &handle, FALSE, left, QS_SENDMESSAGE);
    if (woken == WAIT_OBJECT_0) return true;
    if (woken != WAIT_OBJECT_0 + 1 || left == 0) return false;
  }
}

// Waits until the thread has ended. A wait that fails (WAIT_FAILED) says
// nothing of the thread, and what the thread uses goes once the wait is over:
// it is made again, never given up.
void AwaitThread(HANDLE thread) {
  while (!WaitHandlingSentMessages(thread, INFINITE)) CommApi.Sleep(kFailedWaitPauseMs);
}

// Flushes through a handle of its own and closes it: a flusher that starts
// only after the close has closed the port, when the next open may have been
// given the same handle value, still flushes the device it was made for.
DWORD WINAPI FlushThread(LPVOID port) {
  CommApi.FlushFileBuffers(static_cast<HANDLE>(port));
  CommApi.CloseHandle(static_cast<HANDLE>(port));
  return 0;
}
}  // namespace

TWDComAsync::~TWDComAsync() {
  ClosePort();
  ReleaseWriteRecord();
}

void TWDComAsync::ClosePort() {
  if (!Opened) {
    Opened = 0;
    return;
  }
  if (closing_) return;
  closing_ = true;
  FireNull(onBeforeClose);
  StopReceiveThread();
  FlushOutput();
  CommApi.PurgeComm(PortHandle.Get(),
                    PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR);
  FireInteger(onCTS, 0);
  FireInteger(onDSR, 0);
  FireInteger(onRLSD, 0);
  PortHandle.Close();
  FireNull(onClose);
  Opened = 0;
  closing_ = false;
}

// The thread is asked to stop and awaited, never ended by force: a thread
// ended inside a receiver would leave the receiver's locks (or the heap's) held
// for good. It fires nothing once asked, and ends its own wait. A receiver that
// never returns holds the close here, as it would hold the GUI thread if it ran
// there: the one wait of the element without a bound.
void TWDComAsync::StopReceiveThread() {
  if (ThreadHandle) {
    stopping_ = true;
    // Wakes the thread at once; should the event not be set, the thread sees
    // the stop at its next look.
    CommApi.SetEvent(stopEvent_.Get());
    AwaitThread(ThreadHandle.Get());
    ThreadHandle.Close();
  }
  stopEvent_.Close();
}

// Flushes whenever the driver's output queue has drained, also when it was
// empty from the start: a USB adapter may report an empty queue while bytes
// still sit in it. FlushFileBuffers has no time-out and waits as long as flow
// control holds the output back, so it runs on a thread of its own and is
// waited for with a bound; the purge that follows aborts what it still waits
// for.
void TWDComAsync::FlushOutput() {
  if (!DrainOutputQueue()) return;
  // The flusher's own handle keeps the device open until the flusher is done;
  // the purge that follows the wait ends a flush that still waits.
  const HANDLE process = GetCurrentProcess();
  HANDLE port = nullptr;
  if (!CommApi.DuplicateHandle(process, PortHandle.Get(), process, &port, 0, FALSE,
                               DUPLICATE_SAME_ACCESS)) {
    return;
  }
  const HANDLE flusher = CommApi.CreateThread(nullptr, 0, &FlushThread, port, 0, nullptr);
  // Without a thread there is no bounded flush; the close stays bounded.
  if (!flusher) {
    CommApi.CloseHandle(port);
    return;
  }
  TWinHandle thread(flusher);
  const DWORD bound = std::min(WriteWaitBound(0), kFlushBoundMs);
  if (WaitHandlingSentMessages(thread.Get(), bound)) return;
  CommApi.CancelSynchronousIo(thread.Get());
  // A flush that still has not returned uses nothing but the call it is in:
  // it is let go, and the purge and the close of the port end it.
  WaitHandlingSentMessages(thread.Get(), kFlushCancelBoundMs);
}

// Waits, within a bound taken from the write time-outs configured at open,
// until the driver reports its output queue empty. False when bytes are still
// queued at the bound: a flush would only wait on the same stalled line.
bool TWDComAsync::DrainOutputQueue() {
  const HANDLE port = PortHandle.Get();
  DWORD errors = 0;
  COMSTAT status{};
  if (!CommApi.ClearCommError(port, &errors, &status) || status.cbOutQue == 0) return true;
  const DWORD bound = std::min(WriteWaitBound(status.cbOutQue), kDrainBoundMs);
  const ULONGLONG start = CommApi.GetTickCount64();
  for (;;) {
    if (status.cbOutQue == 0) return true;
    if (CommApi.GetTickCount64() - start >= bound) return false;
    CommApi.Sleep(kDrainPollMs);
    if (!CommApi.ClearCommError(port, &errors, &status)) return true;
  }
}
