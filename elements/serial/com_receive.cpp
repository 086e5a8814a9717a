#include <algorithm>

#include "elements/serial/com_async.h"
#include "elements/serial/line_errors.h"
#include "elements/serial/overlapped_request.h"
#include "elements/serial/shared_block.h"

namespace {
// Some platforms complete a wait with no event at all (Wine on a pty does so
// every few milliseconds while the line is idle); after such a completion the
// thread pauses, doubling the pause up to the cap, so that an idle port costs
// no CPU. A real event resets the pause.
constexpr DWORD kFirstBackoffMs = 1;
constexpr DWORD kMaxBackoffMs = 50;

// How long an ending thread gives its cancelled wait to end, and then again
// after a mask of 0, before it leaves the record to the driver.
constexpr DWORD kEndingWaitBoundMs = 250;

// How often a thread waiting for line events looks whether a stop was asked
// for, should the stop event that wakes it not have been set.
constexpr DWORD kStopLookMs = 200;

// The bits in the order HandleCommEvents tests them.
constexpr DWORD kEventOrder[] = {EV_RXCHAR, EV_TXEMPTY, EV_BREAK, EV_RING, EV_CTS,
                                 EV_DSR,    EV_RXFLAG,  EV_RLSD,  EV_ERR,  EV_RX80FULL};
}  // namespace

// The thread's wait: the driver writes the request's record and the event word
// until the wait has ended, which may be after the thread itself has ended.
struct TWDComAsync::TReceiveWait {
  TOverlappedRequest request;
  DWORD eventWord = 0;
};

DWORD WINAPI TWDComAsync::ReceiveThread(LPVOID param) {
  TWDComAsync& element = *static_cast<TWDComAsync*>(param);
  TReceiveWait* wait = NewSharedBlock<TReceiveWait>();
  // Without its record the thread cannot wait at all: as a failed wait.
  const bool failed = !wait || !wait->request.MakeEvent() || element.RunReceiveLoop(*wait);
  if (wait) {
    element.EndWait(*wait);
  } else {
    CommApi.SetCommMask(element.PortHandle.Get(), 0);
  }
  if (failed) CommApi.PurgeComm(element.PortHandle.Get(), PURGE_TXCLEAR | PURGE_RXCLEAR);
  // A wait the driver will not give back keeps its record, event and all, for
  // the life of the process.
  if (wait && !wait->request.Pending()) FreeSharedBlock(wait);
  return 0;
}

bool TWDComAsync::StopRequested() const { return stopping_; }

// True when the loop ended because a wait failed, false when it was stopped.
bool TWDComAsync::RunReceiveLoop(TReceiveWait& wait) {
  DWORD backoff = 0;
  while (!StopRequested()) {
    switch (WaitForLineEvents(wait)) {
      case TWaitOutcome::Events:
        backoff = 0;
        HandleCommEvents(wait.eventWord);
        break;
      case TWaitOutcome::Empty:
        backoff = std::min(backoff == 0 ? kFirstBackoffMs : backoff * 2, kMaxBackoffMs);
        CommApi.WaitForSingleObject(stopEvent_.Get(), backoff);
        break;
      case TWaitOutcome::Stopped: return false;
      case TWaitOutcome::Failed: return true;
    }
  }
  return false;
}

TWDComAsync::TWaitOutcome TWDComAsync::WaitForLineEvents(TReceiveWait& wait) {
  const HANDLE port = PortHandle.Get();
  OVERLAPPED* request = wait.request.Begin();
  wait.eventWord = 0;
  // A wait that completes at once signals the event like a pending one; one
  // refused at once leaves nothing to wait for.
  if (!wait.request.Taken(CommApi.WaitCommEvent(port, &wait.eventWord, request))) {
    return TWaitOutcome::Empty;
  }
  const HANDLE waits[] = {stopEvent_.Get(), wait.request.Event()};
  DWORD woken = WAIT_TIMEOUT;
  while ((woken = CommApi.WaitForMultipleObjects(2, waits, FALSE, kStopLookMs)) == WAIT_TIMEOUT) {
    if (StopRequested()) return TWaitOutcome::Stopped;
  }
  if (woken == WAIT_OBJECT_0) return TWaitOutcome::Stopped;
  if (woken != WAIT_OBJECT_0 + 1) return TWaitOutcome::Failed;
  DWORD unused = 0;
  if (!CommApi.GetOverlappedResult(port, request, &unused, FALSE)) return TWaitOutcome::Empty;
  return wait.eventWord != 0 ? TWaitOutcome::Events : TWaitOutcome::Empty;
}

// The cancel ends a wait on most drivers and a mask of 0 on the rest. The mask
// is cleared only here, once the thread will wait no more: Windows refuses a
// wait issued after it, and Wine takes one but cannot cancel it.
void TWDComAsync::EndWait(TReceiveWait& wait) {
  const HANDLE port = PortHandle.Get();
  if (wait.request.Pending()) {
    CommApi.CancelIoEx(port, wait.request.Record());
    CommApi.WaitForSingleObject(wait.request.Event(), kEndingWaitBoundMs);
  }
  CommApi.SetCommMask(port, 0);
  if (wait.request.Pending()) {
    CommApi.WaitForSingleObject(wait.request.Event(), kEndingWaitBoundMs);
  }
}

// Each handler runs to completion, with every chain it starts, before the next
// bit is tested; once the close has asked the thread to stop, nothing more
// fires.
void TWDComAsync::HandleCommEvents(DWORD eventWord) {
  for (const DWORD bit : kEventOrder) {
    if ((eventWord & bit) == 0) continue;
    if (StopRequested()) return;
    FireCommEvent(bit);
  }
}

void TWDComAsync::FireCommEvent(DWORD bit) {
  const HANDLE port = PortHandle.Get();
  DWORD errors = 0;
  switch (bit) {
    case EV_RXCHAR:
      if (CommApi.ClearCommError(port, &errors, &Status)) {
        FireInteger(onRxChar, static_cast<std::int32_t>(Status.cbInQue));
      }
      return;
    case EV_TXEMPTY: FireNull(onTxEmpty); return;
    case EV_BREAK: FireNull(onBreak); return;
    case EV_RING: FireNull(onRing); return;
    case EV_CTS:
      if (ReadModemStatus()) FireInteger(onCTS, CtsState);
      return;
    case EV_DSR:
      if (ReadModemStatus()) FireInteger(onDSR, DsrState);
      return;
    case EV_RXFLAG: FireNull(onRxFlag); return;
    case EV_RLSD:
      if (ReadModemStatus()) FireInteger(onRLSD, RlsdState);
      return;
    case EV_ERR:
      if (CommApi.ClearCommError(port, &errors, &Status)) {
        FireText(onError, LineErrorMessage(errors, ParityCheck != 0));
      }
      return;
    case EV_RX80FULL: FireNull(onRx80Full); return;
  }
}
