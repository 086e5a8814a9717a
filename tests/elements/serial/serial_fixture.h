#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "elements/serial/com_async.h"
#include "runtime/event.h"
#include "tests/elements/serial/call_log.h"
#include "tests/elements/serial/event_recorder.h"
#include "tests/elements/serial/fake_comm.h"
#include "tests/runtime/values.h"

// Polls `done` every few milliseconds until it holds or the time is up.
template <class Condition>
bool WaitUntil(Condition done, DWORD ms = 5000) {
  const ULONGLONG deadline = GetTickCount64() + ms;
  while (!done()) {
    if (GetTickCount64() > deadline) return false;
    Sleep(2);
  }
  return true;
}

// The property values the program's schema gives its serial element.
inline void SetSchemaProperties(TWDComAsync& port, const char* name = "COM3") {
  port.Port = name;
  port.Baud = 19200;
  port.Parity = 0;
  port.DataBits = 3;
  port.StopBits = 0;
  port.XoffChar = 19;
  port.XonChar = 17;
  port.InQueueSize = 4096;
  port.OutQueueSize = 4096;
  port.ReadIntervalTimeout = 0xFFFFFFFF;
  port.WriteTotalTimeoutConstant = 1000;
  port.WriteTotalTimeoutMultiplier = 100;
}

// The entries of a log that are fired events ("on...") or platform calls.
inline std::vector<std::string> EventsIn(const std::vector<std::string>& entries) {
  std::vector<std::string> events;
  for (const std::string& e : entries) {
    if (e.rfind("on", 0) == 0) events.push_back(e);
  }
  return events;
}

inline std::vector<std::string> CallsIn(const std::vector<std::string>& entries) {
  std::vector<std::string> calls;
  for (const std::string& e : entries) {
    if (e.rfind("on", 0) != 0) calls.push_back(e);
  }
  return calls;
}

// A serial element on a fake device, every event point recorded.
class SerialSeamTest : public ::testing::Test {
 protected:
  void SetUp() override {
    EnableDispatch();
    recorder.Bind(port);
    SetSchemaProperties(port);
  }

  void Open() {
    TData none;
    port.doOpen(none, 0);
  }

  std::vector<std::string> Events() const { return EventsIn(log.Entries()); }
  std::vector<std::string> Calls() const { return CallsIn(log.Entries()); }

  TCallLog log;
  TFakeComm fake{log};
  TEventRecorder recorder{log};
  TWDComAsync port;  // last: destroyed first, while the fake device still stands
};
