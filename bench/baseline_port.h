#pragma once

#include <windows.h>

// COM3 opened for overlapped writing and set up as the serial element sets up
// the program's port (line, queues, time-outs), so that the baselines differ
// from the program only in the work they do around it.
inline HANDLE OpenBaselinePort() {
  const HANDLE port = CreateFileA("\\\\.\\COM3", GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
  if (port == INVALID_HANDLE_VALUE) return port;
  SetupComm(port, 4096, 4096);
  DCB line = {};
  line.DCBlength = sizeof line;
  GetCommState(port, &line);
  line.BaudRate = 19200;
  line.ByteSize = 8;
  line.Parity = NOPARITY;
  line.StopBits = ONESTOPBIT;
  line.fBinary = 1;
  line.fRtsControl = RTS_CONTROL_DISABLE;
  line.fDtrControl = DTR_CONTROL_DISABLE;
  line.XonChar = 17;
  line.XoffChar = 19;
  SetCommState(port, &line);
  COMMTIMEOUTS timeouts = {0xFFFFFFFF, 0, 0, 100, 1000};
  SetCommTimeouts(port, &timeouts);
  return port;
}
