#include <algorithm>

#include "elements/serial/com_async.h"
#include "elements/serial/line_errors.h"

namespace {
// Some platforms complete a wait with no event at all (Wine on a pty does so
// every few milliseconds while the line is idle); after such a completion the
// thread pauses, doubling the pause up to the cap, so that an idle port costs
// no CPU. A real event resets the pause.
constexpr DWORD kFirstBackoffMs = 1;
constexpr DWORD kMaxBackoffMs = 50;
}  // namespace

DWORD WINAPI TWDComAsync::ReceiveThread(LPVOID element) {
  static_cast<TWDComAsync*>(element)->RunReceiveLoop();
  return 0;
}

void TWDComAsync::RunReceiveLoop() {
  const HANDLE port = PortHandle.Get();
  DWORD backoff = 0;
  for (;;) {
    switch (WaitForLineEvents()) {
      case TWaitOutcome::Events:
        backoff = 0;
        HandleCommEvents(receiveEventWord_);
        break;
      case TWaitOutcome::Empty:
        backoff = std::min(backoff == 0 ? kFirstBackoffMs : backoff * 2, kMaxBackoffMs);
        if (CommApi.WaitForSingleObject(stopEvent_.Get(), backoff) != WAIT_TIMEOUT) return;
        break;
      case TWaitOutcome::Stopped: return;
      case TWaitOutcome::Failed:
        CommApi.SetCommMask(port, 0);
        CommApi.PurgeComm(port, PURGE_TXCLEAR | PURGE_RXCLEAR);
        return;
    }
  }
}

TWDComAsync::TWaitOutcome TWDComAsync::WaitForLineEvents() {
  const HANDLE port = PortHandle.Get();
  receiveOverlapped_ = OVERLAPPED{};
  receiveOverlapped_.hEvent = receiveEvent_.Get();
  receiveEventWord_ = 0;
  // A wait that completes at once signals the event like a pending one; a
  // wait that fails at once leaves nothing pending and nothing signalled.
  if (!CommApi.WaitCommEvent(port, &receiveEventWord_, &receiveOverlapped_) &&
      GetLastError() != ERROR_IO_PENDING) {
    return TWaitOutcome::Empty;
  }
  const HANDLE waits[] = {stopEvent_.Get(), receiveEvent_.Get()};
  const DWORD woken = CommApi.WaitForMultipleObjects(2, waits, FALSE, INFINITE);
  DWORD unused = 0;
  if (woken == WAIT_OBJECT_0) {
    // The wait must be over before the port and the event go away.
    CommApi.CancelIoEx(port, &receiveOverlapped_);
    CommApi.GetOverlappedResult(port, &receiveOverlapped_, &unused, TRUE);
    return TWaitOutcome::Stopped;
  }
  if (woken != WAIT_OBJECT_0 + 1) return TWaitOutcome::Failed;
  if (!CommApi.GetOverlappedResult(port, &receiveOverlapped_, &unused, FALSE)) {
    return TWaitOutcome::Empty;
  }
  return receiveEventWord_ != 0 ? TWaitOutcome::Events : TWaitOutcome::Empty;
}

void TWDComAsync::HandleCommEvents(DWORD eventWord) {
  const HANDLE port = PortHandle.Get();
  DWORD errors = 0;
  if ((eventWord & EV_RXCHAR) && CommApi.ClearCommError(port, &errors, &Status)) {
    FireInteger(onRxChar, static_cast<std::int32_t>(Status.cbInQue));
  }
  if (eventWord & EV_TXEMPTY) FireNull(onTxEmpty);
  if (eventWord & EV_BREAK) FireNull(onBreak);
  if (eventWord & EV_RING) FireNull(onRing);
  if ((eventWord & EV_CTS) && ReadModemStatus()) FireInteger(onCTS, CtsState);
  if ((eventWord & EV_DSR) && ReadModemStatus()) FireInteger(onDSR, DsrState);
  if (eventWord & EV_RXFLAG) FireNull(onRxFlag);
  if ((eventWord & EV_RLSD) && ReadModemStatus()) FireInteger(onRLSD, RlsdState);
  if ((eventWord & EV_ERR) && CommApi.ClearCommError(port, &errors, &Status)) {
    FireText(onError, LineErrorMessage(errors, ParityCheck != 0));
  }
  if (eventWord & EV_RX80FULL) FireNull(onRx80Full);
}
