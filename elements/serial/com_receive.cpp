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

// How long a stopped thread gives a cancelled wait to complete before it ends
// and leaves the wait record to the block (freed once nobody and no driver
// holds it).
constexpr DWORD kCancelledWaitBoundMs = 500;

// The bits in the order HandleCommEvents tests them.
constexpr DWORD kEventOrder[] = {EV_RXCHAR, EV_TXEMPTY, EV_BREAK, EV_RING, EV_CTS,
                                 EV_DSR,    EV_RXFLAG,  EV_RLSD,  EV_ERR,  EV_RX80FULL};
}  // namespace

DWORD WINAPI TWDComAsync::ReceiveThread(LPVOID param) {
  TReceiveBlock& block = *static_cast<TReceiveBlock*>(param);
  RunReceiveLoop(block);
  block.Release();
  return 0;
}

// Works on the element only through TReceiveGate: once the element has let the
// thread go, the next step finds no element and the thread ends.
void TWDComAsync::RunReceiveLoop(TReceiveBlock& block) {
  DWORD backoff = 0;
  for (;;) {
    switch (WaitForLineEvents(block)) {
      case TWaitOutcome::Events:
        backoff = 0;
        if (!HandleEvents(&block, nullptr, block.eventWord)) return;
        break;
      case TWaitOutcome::Empty:
        backoff = std::min(backoff == 0 ? kFirstBackoffMs : backoff * 2, kMaxBackoffMs);
        if (CommApi.WaitForSingleObject(block.stopEvent.Get(), backoff) != WAIT_TIMEOUT) return;
        break;
      case TWaitOutcome::Stopped: return;
      case TWaitOutcome::Failed: {
        const TReceiveGate gate(&block, nullptr);
        if (gate.Element()) {
          CommApi.SetCommMask(block.port, 0);
          CommApi.PurgeComm(block.port, PURGE_TXCLEAR | PURGE_RXCLEAR);
        }
        return;
      }
    }
  }
}

TWDComAsync::TWaitOutcome TWDComAsync::WaitForLineEvents(TReceiveBlock& block) {
  {
    const TReceiveGate gate(&block, nullptr);
    if (!gate.Element()) return TWaitOutcome::Stopped;
    block.request = OVERLAPPED{};
    block.request.hEvent = block.waitEvent.Get();
    block.eventWord = 0;
    // A wait that completes at once signals the event like a pending one; a
    // wait that fails at once leaves nothing pending and nothing signalled.
    if (!CommApi.WaitCommEvent(block.port, &block.eventWord, &block.request) &&
        GetLastError() != ERROR_IO_PENDING) {
      return TWaitOutcome::Empty;
    }
  }
  const HANDLE waits[] = {block.stopEvent.Get(), block.waitEvent.Get()};
  const DWORD woken = CommApi.WaitForMultipleObjects(2, waits, FALSE, INFINITE);
  if (woken == WAIT_OBJECT_0) {
    // The element has already set the mask to 0 and cancelled the wait; a
    // driver that ignores both leaves the record pending, and the block stays
    // with it.
    {
      const TReceiveGate gate(&block, nullptr);
      if (gate.Element()) CommApi.CancelIoEx(block.port, &block.request);
    }
    CommApi.WaitForSingleObject(block.waitEvent.Get(), kCancelledWaitBoundMs);
    return TWaitOutcome::Stopped;
  }
  if (woken != WAIT_OBJECT_0 + 1) return TWaitOutcome::Failed;
  const TReceiveGate gate(&block, nullptr);
  if (!gate.Element()) return TWaitOutcome::Stopped;
  DWORD unused = 0;
  if (!CommApi.GetOverlappedResult(block.port, &block.request, &unused, FALSE)) {
    return TWaitOutcome::Empty;
  }
  return block.eventWord != 0 ? TWaitOutcome::Events : TWaitOutcome::Empty;
}

void TWDComAsync::HandleCommEvents(DWORD eventWord) { HandleEvents(nullptr, this, eventWord); }

// Each event is read under the gate and fired outside it, from a copy of its
// point: a receiver that blocks holds nothing the element needs to let go of
// the thread, and a let-go thread fires nothing more. False once let go.
bool TWDComAsync::HandleEvents(TReceiveBlock* block, TWDComAsync* direct, DWORD eventWord) {
  for (const DWORD bit : kEventOrder) {
    if ((eventWord & bit) == 0) continue;
    TWD_Event point;
    TData value;
    bool fire = false;
    {
      const TReceiveGate gate(block, direct);
      if (!gate.Element()) return false;
      fire = gate.Element()->PrepareEvent(bit, point, value);
    }
    if (fire) FireData(point, value);
  }
  return true;
}

bool TWDComAsync::PrepareEvent(DWORD bit, TWD_Event& point, TData& value) {
  const HANDLE port = PortHandle.Get();
  DWORD errors = 0;
  switch (bit) {
    case EV_RXCHAR:
      if (!CommApi.ClearCommError(port, &errors, &Status)) return false;
      point = onRxChar;
      MakeInteger(value, static_cast<std::int32_t>(Status.cbInQue));
      return true;
    case EV_TXEMPTY: point = onTxEmpty; return true;
    case EV_BREAK: point = onBreak; return true;
    case EV_RING: point = onRing; return true;
    case EV_CTS:
      if (!ReadModemStatus()) return false;
      point = onCTS;
      MakeInteger(value, CtsState);
      return true;
    case EV_DSR:
      if (!ReadModemStatus()) return false;
      point = onDSR;
      MakeInteger(value, DsrState);
      return true;
    case EV_RXFLAG: point = onRxFlag; return true;
    case EV_RLSD:
      if (!ReadModemStatus()) return false;
      point = onRLSD;
      MakeInteger(value, RlsdState);
      return true;
    case EV_ERR:
      if (!CommApi.ClearCommError(port, &errors, &Status)) return false;
      point = onError;
      MakeString(value, LineErrorMessage(errors, ParityCheck != 0));
      return true;
    case EV_RX80FULL: point = onRx80Full; return true;
  }
  return false;
}
