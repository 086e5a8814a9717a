#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>

#include "elements/serial/win_handle.h"
#include "runtime/data.h"
#include "runtime/event.h"
#include "runtime/text.h"

// The serial port element: opens one port for overlapped input/output,
// configures the line entirely from its properties, sends what arrives at
// doWrite, drives RTS and DTR, and, when any line-event flag is set, runs a
// receive thread that reports line events through its event points.
class TWDComAsync {
 public:
  TWDComAsync() = default;
  ~TWDComAsync();
  TWDComAsync(const TWDComAsync&) = delete;
  TWDComAsync& operator=(const TWDComAsync&) = delete;

  // Incoming methods; none of them reads the index.
  void doOpen(TData& data, std::uint16_t index);
  void doWrite(TData& data, std::uint16_t index);
  void doDTR(TData& data, std::uint16_t index);
  void doRTS(TData& data, std::uint16_t index);

  bool OpenPort(const TText& name, std::int32_t baud, std::int32_t dtrMode, std::int32_t rtsMode,
                std::int32_t parity, std::int32_t stopBits, std::int32_t byteSize);
  void ClosePort();
  bool ReadModemStatus();
  // True when the open port's device answers as one that has gone.
  bool DeviceGone();

  // The thread's argument is the element, which outlives it: the close awaits
  // the thread before anything of the element goes.
  static DWORD WINAPI ReceiveThread(LPVOID element);
  // Fires the events of one completed wait, none once a stop was asked for.
  void HandleCommEvents(DWORD eventWord);

  // Working state.
  TWinHandle PortHandle;
  TWinHandle ThreadHandle;
  DWORD EventMask = 0;
  std::uint8_t Opened = 0;
  // Written by the receive thread and by doOpen on the GUI thread.
  std::atomic<std::uint8_t> DsrState{0};
  std::atomic<std::uint8_t> CtsState{0};
  std::atomic<std::uint8_t> RlsdState{0};
  COMSTAT Status{};
  COMMTIMEOUTS Timeouts{};
  DCB LineRecord{};
  TText PortName;

  // Properties, written by the schema before the element is used.
  TText Port;
  std::int32_t Baud = 0;
  std::int32_t Parity = 0;
  std::int32_t DataBits = 0;
  std::int32_t StopBits = 0;
  std::uint32_t EvtChar = 0;
  std::uint8_t DiscardNull = 0;
  std::uint8_t ParityCheck = 0;
  std::uint8_t ErrorReplace = 0;
  std::uint32_t ErrorChar = 0;
  std::uint8_t DsrSensitivity = 0;
  std::uint8_t OutxCtsFlow = 0;
  std::uint8_t OutxDsrFlow = 0;
  std::uint8_t TxContinueOnXoff = 0;
  std::uint32_t XoffChar = 0;
  std::uint32_t XonChar = 0;
  std::uint8_t InX = 0;
  std::uint8_t OutX = 0;
  std::int32_t InQueueSize = 0;
  std::int32_t OutQueueSize = 0;
  std::int32_t RTSControl = 0;
  std::int32_t DTRControl = 0;
  std::uint8_t EvRxChar = 0;
  std::uint8_t EvRxFlag = 0;
  std::uint8_t EvTxEmpty = 0;
  std::uint8_t EvCTS = 0;
  std::uint8_t EvDSR = 0;
  std::uint8_t EvRLSD = 0;
  std::uint8_t EvBreak = 0;
  std::uint8_t EvErr = 0;
  std::uint8_t EvRing = 0;
  std::uint8_t EvRx80Full = 0;
  DWORD ReadIntervalTimeout = 0;
  DWORD ReadTotalTimeoutConstant = 0;
  DWORD ReadTotalTimeoutMultiplier = 0;
  DWORD WriteTotalTimeoutConstant = 0;
  DWORD WriteTotalTimeoutMultiplier = 0;

  // Event points.
  TWD_Event onWrite;
  TWD_Event onRxChar;
  TWD_Event onRing;
  TWD_Event onCTS;
  TWD_Event onDSR;
  TWD_Event onRLSD;
  TWD_Event onRxFlag;
  TWD_Event onBreak;
  TWD_Event onRx80Full;
  TWD_Event onTxEmpty;
  TWD_Event onError;
  TWD_Event onBeforeOpen;
  TWD_Event onOpen;
  TWD_Event onBeforeClose;
  TWD_Event onClose;

  // Data points.
  TWD_Event readBaud;
  TWD_Event readPort;
  TWD_Event readDTRControl;
  TWD_Event readRTSControl;

 private:
  enum class TWaitOutcome { Events, Empty, Stopped, Failed };
  struct TReceiveWait;
  struct TWriteRecord;

  void ConfigureLineRecord(std::int32_t baud, std::int32_t dtrMode, std::int32_t rtsMode,
                           std::int32_t parity, std::int32_t stopBits, std::int32_t byteSize);
  DWORD BuildEventMask() const;
  bool StartReceiveThread();
  void StopReceiveThread();
  bool DrainOutputQueue();
  void FlushOutput();
  bool StopRequested() const;
  bool RunReceiveLoop(TReceiveWait& wait);
  TWaitOutcome WaitForLineEvents(TReceiveWait& wait);
  void EndWait(TReceiveWait& wait);
  void FireCommEvent(DWORD bit);
  DWORD WriteWaitBound(DWORD byteCount) const;
  std::int32_t SendText(const TText& text);
  bool MakeWriteRecord();
  void ReleaseWriteRecord();

  // Set by the close to ask the receive thread to stop, before the event
  // wakes the thread's waits; cleared when the next thread starts.
  std::atomic<bool> stopping_{false};
  TWinHandle stopEvent_;
  // The single write record, kept apart from the element so that a write the
  // driver still holds never writes into freed memory. Made at the first
  // write, freed with the element unless still pending.
  TWriteRecord* write_ = nullptr;
  // Taken by the write under way: the record serves one write at a time, and
  // a receiver on the receive thread may write while the GUI thread does.
  std::atomic<bool> writing_{false};
  // Set while the close runs: its waits handle sent messages, whose handlers
  // may reach this element again, and a second close must not start inside it.
  bool closing_ = false;
};
