#include <algorithm>
#include <cstdint>

#include "elements/serial/com_async.h"

namespace {
// Added to the configured write time-out before a write that the driver has
// not ended is cancelled: a driver that honours its time-outs ends it first.
constexpr DWORD kWriteMarginMs = 500;
}  // namespace

DWORD TWDComAsync::WriteWaitBound(DWORD byteCount) const {
  // With both write time-outs 0 the driver is told to wait without limit.
  if (WriteTotalTimeoutConstant == 0 && WriteTotalTimeoutMultiplier == 0) return INFINITE;
  const std::uint64_t bound = std::uint64_t{WriteTotalTimeoutConstant} +
                              std::uint64_t{WriteTotalTimeoutMultiplier} * byteCount +
                              kWriteMarginMs;
  return static_cast<DWORD>(std::min<std::uint64_t>(bound, INFINITE - 1));
}

void TWDComAsync::doWrite(TData& data, std::uint16_t /*index*/) {
  const TText text = AsText(data);
  if (!Opened) return;
  // The write has an event of its own: without one, completion is signalled
  // on the port handle, which the receive thread's wait signals too.
  if (!writeEvent_) writeEvent_ = TWinHandle(CommApi.CreateEventA(nullptr, TRUE, FALSE, nullptr));
  if (!writeEvent_) return;
  const HANDLE port = PortHandle.Get();
  const DWORD length = static_cast<DWORD>(text.Length());
  WriteOverlapped = OVERLAPPED{};
  WriteOverlapped.hEvent = writeEvent_.Get();
  DWORD count = 0;
  if (!CommApi.WriteFile(port, text.CStr(), length, &count, &WriteOverlapped)) {
    if (GetLastError() != ERROR_IO_PENDING) return;
    // A stalled driver may never end the write; it is cancelled once its
    // time-out has passed, and its result collected all the same.
    if (CommApi.WaitForSingleObject(writeEvent_.Get(), WriteWaitBound(length)) != WAIT_OBJECT_0) {
      CommApi.CancelIoEx(port, &WriteOverlapped);
    }
  }
  const bool written = CommApi.GetOverlappedResult(port, &WriteOverlapped, &count, TRUE);
  FireInteger(onWrite, written ? static_cast<std::int32_t>(count) : 0);
}

void TWDComAsync::doRTS(TData& data, std::uint16_t /*index*/) {
  if (!Opened) return;
  CommApi.EscapeCommFunction(PortHandle.Get(), AsInteger(data) == 0 ? CLRRTS : SETRTS);
}

void TWDComAsync::doDTR(TData& data, std::uint16_t /*index*/) {
  if (!Opened) return;
  CommApi.EscapeCommFunction(PortHandle.Get(), AsInteger(data) == 0 ? CLRDTR : SETDTR);
}
