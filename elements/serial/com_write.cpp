#include <algorithm>
#include <cstdint>

#include "elements/serial/com_async.h"
#include "elements/serial/overlapped_request.h"
#include "elements/serial/shared_block.h"

namespace {
// Added to the configured write time-out before a write that the driver has
// not ended is cancelled: a driver that honours its time-outs ends it first.
constexpr DWORD kWriteMarginMs = 500;

// With both write time-outs 0 the driver is told to wait without limit; the
// GUI thread still waits no longer than this.
constexpr DWORD kUnlimitedWriteBoundMs = 10000;

// How long a cancelled write is given to end before doWrite returns and
// leaves the record to the driver.
constexpr DWORD kCancelledWriteBoundMs = 500;
}  // namespace

// One write in flight: the request, its own event (without one, completion is
// signalled on the port handle, which the receive thread's wait signals too)
// and the bytes, which the driver may read until the request has ended.
struct TWDComAsync::TWriteRecord {
  TOverlappedRequest request;
  TText bytes;
};

// From the time-outs the port was configured with at open, not from the
// properties, which may have changed since.
DWORD TWDComAsync::WriteWaitBound(DWORD byteCount) const {
  if (Timeouts.WriteTotalTimeoutConstant == 0 && Timeouts.WriteTotalTimeoutMultiplier == 0) {
    return kUnlimitedWriteBoundMs;
  }
  const std::uint64_t bound = std::uint64_t{Timeouts.WriteTotalTimeoutConstant} +
                              std::uint64_t{Timeouts.WriteTotalTimeoutMultiplier} * byteCount +
                              kWriteMarginMs;
  return static_cast<DWORD>(std::min<std::uint64_t>(bound, INFINITE - 1));
}

bool TWDComAsync::MakeWriteRecord() {
  write_ = NewSharedBlock<TWriteRecord>();
  if (write_ && write_->request.MakeEvent()) return true;
  ReleaseWriteRecord();
  return false;
}

void TWDComAsync::ReleaseWriteRecord() {
  // A record the driver still holds stays for the life of the process.
  if (write_ && !write_->request.Pending()) FreeSharedBlock(write_);
  write_ = nullptr;
}

// Writes go out while the port's handle is open, those made by handlers of
// the close included. One write at a time: a write that finds another under
// way (a receiver on the receive thread writing while the GUI thread does)
// reports 0 and leaves the record to it, rather than waiting on another
// thread's write or taking a lock. onWrite fires once the write is over, so
// that its receivers may write again.
void TWDComAsync::doWrite(TData& data, std::uint16_t /*index*/) {
  const TText text = AsText(data);
  if (!Opened || !PortHandle) return;
  if (writing_.exchange(true)) {
    FireInteger(onWrite, 0);
    return;
  }
  const std::int32_t written = SendText(text);
  writing_ = false;
  if (written >= 0) FireInteger(onWrite, written);
}

// The count of bytes written, 0 for a write that failed or was given up, or
// -1 when nothing is to be reported: the write was refused at once, or there
// is no record to write with.
std::int32_t TWDComAsync::SendText(const TText& text) {
  if (!write_ && !MakeWriteRecord()) return -1;
  TWriteRecord& record = *write_;
  // An earlier write the driver never ended still owns the record.
  if (record.request.Pending()) return 0;
  const HANDLE port = PortHandle.Get();
  const DWORD length = static_cast<DWORD>(text.Length());
  record.bytes = text;
  OVERLAPPED* request = record.request.Begin();
  DWORD count = 0;
  const BOOL done = CommApi.WriteFile(port, record.bytes.CStr(), length, &count, request);
  // Refused at once: the driver holds nothing, and nothing is reported.
  if (!record.request.Taken(done)) return -1;
  if (!done) {
    // A stalled driver may never end the write; it is cancelled once its
    // time-out has passed, and a driver that ignores the cancel too keeps the
    // record until it ends the write.
    const HANDLE event = record.request.Event();
    if (CommApi.WaitForSingleObject(event, WriteWaitBound(length)) != WAIT_OBJECT_0) {
      CommApi.CancelIoEx(port, request);
      if (CommApi.WaitForSingleObject(event, kCancelledWriteBoundMs) != WAIT_OBJECT_0) return 0;
    }
  }
  const bool written = CommApi.GetOverlappedResult(port, request, &count, FALSE);
  return written ? static_cast<std::int32_t>(count) : 0;
}

void TWDComAsync::doRTS(TData& data, std::uint16_t /*index*/) {
  if (!Opened) return;
  CommApi.EscapeCommFunction(PortHandle.Get(), AsInteger(data) == 0 ? CLRRTS : SETRTS);
}

void TWDComAsync::doDTR(TData& data, std::uint16_t /*index*/) {
  if (!Opened) return;
  CommApi.EscapeCommFunction(PortHandle.Get(), AsInteger(data) == 0 ? CLRDTR : SETDTR);
}
