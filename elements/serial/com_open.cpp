#include <string_view>

#include "elements/serial/com_async.h"
#include "elements/serial/device_gone.h"
#include "elements/serial/port_name.h"

namespace {
constexpr std::string_view kDevicePrefix = "\\\\.\\";

constexpr BYTE kParityCodes[] = {NOPARITY, ODDPARITY, EVENPARITY, MARKPARITY, SPACEPARITY};
constexpr BYTE kStopBitsCodes[] = {ONESTOPBIT, ONE5STOPBITS, TWOSTOPBITS};
constexpr std::int32_t kDtrModeCount = 3;  // disable, enable, handshake
constexpr std::int32_t kRtsModeCount = 4;  // disable, enable, handshake, toggle

// Indices outside a table fall back to its first entry rather than reading
// past it.
template <std::size_t N>
BYTE CodeAt(const BYTE (&codes)[N], std::int32_t index) {
  return index >= 0 && static_cast<std::size_t>(index) < N ? codes[index] : codes[0];
}

std::int32_t ModeOrDisabled(std::int32_t mode, std::int32_t count) {
  return mode >= 0 && mode < count ? mode : 0;
}
}  // namespace

void TWDComAsync::doOpen(TData& data, std::uint16_t /*index*/) {
  if (Opened) {
    // A healthy port is left as it is. One whose device has gone (an adapter
    // pulled out, or re-enumerated after sleep) is closed and opened anew, so
    // that it works again once the device is back.
    if (!DeviceGone()) return;
    ClosePort();
    // Still open when this open came from a handler of a close under way.
    if (Opened) return;
  }
  FireNull(onBeforeOpen);
  PortName = FetchText(data, readPort, Port);
  const int portNumber = ComPortNumber(PortName.View());
  if (portNumber == 0) {
    FireInteger(onOpen, 0);
    return;
  }
  const std::int32_t dtrMode = FetchInteger(data, readDTRControl, DTRControl);
  const std::int32_t rtsMode = FetchInteger(data, readRTSControl, RTSControl);
  const std::int32_t baud = FetchInteger(data, readBaud, Baud);
  if (!OpenPort(PortName, baud, dtrMode, rtsMode, Parity, StopBits, DataBits + 5)) {
    FireInteger(onOpen, 0);
    return;
  }
  if (ReadModemStatus()) {
    if (CtsState) FireInteger(onCTS, 1);
    if (DsrState) FireInteger(onDSR, 1);
    if (RlsdState) FireInteger(onRLSD, 1);
  }
  FireInteger(onOpen, portNumber);
}

bool TWDComAsync::OpenPort(const TText& name, std::int32_t baud, std::int32_t dtrMode,
                           std::int32_t rtsMode, std::int32_t parity, std::int32_t stopBits,
                           std::int32_t byteSize) {
  const TText device = Concat(kDevicePrefix, name.View());
  const HANDLE port =
      CommApi.CreateFileA(device.CStr(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                          FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OVERLAPPED, nullptr);
  if (port == INVALID_HANDLE_VALUE) return false;
  PortHandle = TWinHandle(port);
  Opened = 1;

  CommApi.GetCommState(port, &LineRecord);
  ConfigureLineRecord(baud, ModeOrDisabled(dtrMode, kDtrModeCount),
                      ModeOrDisabled(rtsMode, kRtsModeCount), parity, stopBits, byteSize);
  EventMask = BuildEventMask();
  Timeouts.ReadIntervalTimeout = ReadIntervalTimeout;
  Timeouts.ReadTotalTimeoutMultiplier = ReadTotalTimeoutMultiplier;
  Timeouts.ReadTotalTimeoutConstant = ReadTotalTimeoutConstant;
  Timeouts.WriteTotalTimeoutMultiplier = WriteTotalTimeoutMultiplier;
  Timeouts.WriteTotalTimeoutConstant = WriteTotalTimeoutConstant;

  const bool purged = CommApi.PurgeComm(port, PURGE_TXCLEAR | PURGE_RXCLEAR);
  CommApi.SetupComm(port, static_cast<DWORD>(InQueueSize), static_cast<DWORD>(OutQueueSize));
  const bool configured = purged && CommApi.SetCommState(port, &LineRecord) &&
                          CommApi.SetCommTimeouts(port, &Timeouts) &&
                          CommApi.SetCommMask(port, EventMask);
  if (!configured || (EventMask != 0 && !StartReceiveThread())) {
    ClosePort();
    return false;
  }
  return true;
}

void TWDComAsync::ConfigureLineRecord(std::int32_t baud, std::int32_t dtrMode, std::int32_t rtsMode,
                                      std::int32_t parity, std::int32_t stopBits,
                                      std::int32_t byteSize) {
  DCB& dcb = LineRecord;
  dcb.DCBlength = sizeof(DCB);
  dcb.XonLim = static_cast<WORD>(InQueueSize / 4);
  dcb.XoffLim = dcb.XonLim;
  dcb.Parity = CodeAt(kParityCodes, parity);
  dcb.StopBits = CodeAt(kStopBitsCodes, stopBits);
  dcb.ByteSize = static_cast<BYTE>(byteSize);
  dcb.BaudRate = static_cast<DWORD>(baud);
  dcb.EvtChar = static_cast<char>(EvtChar);
  dcb.XonChar = static_cast<char>(XonChar);
  dcb.XoffChar = static_cast<char>(XoffChar);

  // The flag word is rebuilt from nothing: every flag not set here is clear.
  dcb.fBinary = 1;
  dcb.fDtrControl = static_cast<DWORD>(dtrMode);
  dcb.fRtsControl = static_cast<DWORD>(rtsMode);
  dcb.fNull = DiscardNull ? 1 : 0;
  dcb.fParity = ParityCheck ? 1 : 0;
  dcb.fErrorChar = ParityCheck && ErrorReplace ? 1 : 0;
  if (dcb.fErrorChar) dcb.ErrorChar = static_cast<char>(ErrorChar);
  dcb.fDsrSensitivity = DsrSensitivity ? 1 : 0;
  dcb.fOutxCtsFlow = OutxCtsFlow ? 1 : 0;
  dcb.fOutxDsrFlow = OutxDsrFlow ? 1 : 0;
  dcb.fTXContinueOnXoff = TxContinueOnXoff ? 1 : 0;
  dcb.fInX = InX ? 1 : 0;
  dcb.fOutX = OutX ? 1 : 0;
  dcb.fAbortOnError = 0;
  dcb.fDummy2 = 0;
}

DWORD TWDComAsync::BuildEventMask() const {
  DWORD mask = 0;
  if (EvRxChar) mask |= EV_RXCHAR;
  if (EvRxFlag) mask |= EV_RXFLAG;
  if (EvTxEmpty) mask |= EV_TXEMPTY;
  if (EvCTS) mask |= EV_CTS;
  if (EvDSR) mask |= EV_DSR;
  if (EvRLSD) mask |= EV_RLSD;
  if (EvBreak) mask |= EV_BREAK;
  if (EvErr) mask |= EV_ERR;
  if (EvRing) mask |= EV_RING;
  if (EvRx80Full) mask |= EV_RX80FULL;
  return mask;
}

bool TWDComAsync::StartReceiveThread() {
  stopping_ = false;
  stopEvent_ = TWinHandle(CommApi.CreateEventA(nullptr, TRUE, FALSE, nullptr));
  if (!stopEvent_) return false;
  const HANDLE thread = CommApi.CreateThread(nullptr, 0, &ReceiveThread, this, 0, nullptr);
  if (!thread) return false;
  ThreadHandle = TWinHandle(thread);
  CommApi.SetThreadPriority(thread, THREAD_PRIORITY_HIGHEST);
  return true;
}

// Asks the device whether it is still there. GetCommState fails on a handle
// whose device has gone and, unlike ClearCommError, takes nothing from the
// line: an error word the receive thread has still to report stays. Nothing
// cancels this request, so an aborted one is the driver's doing. Never asked
// on the receive thread, whose receivers cannot close the port under it.
bool TWDComAsync::DeviceGone() {
  if (ThreadHandle && GetThreadId(ThreadHandle.Get()) == GetCurrentThreadId()) return false;
  DCB line{};
  line.DCBlength = sizeof line;
  return !CommApi.GetCommState(PortHandle.Get(), &line) && IsDeviceGoneError(GetLastError());
}

bool TWDComAsync::ReadModemStatus() {
  if (!Opened) return false;
  DWORD status = 0;
  if (!CommApi.GetCommModemStatus(PortHandle.Get(), &status)) return false;
  DsrState = (status & MS_DSR_ON) ? 1 : 0;
  CtsState = (status & MS_CTS_ON) ? 1 : 0;
  RlsdState = (status & MS_RLSD_ON) ? 1 : 0;
  return true;
}
