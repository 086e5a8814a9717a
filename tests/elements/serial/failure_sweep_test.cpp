#include <gtest/gtest.h>

#include <algorithm>

#include "tests/elements/serial/serial_fixture.h"

namespace {

// For N = 1, 2, ...: the Nth call to the device during an open, two writes and
// a close is refused at once, as Windows refuses it. The sweep ends at the
// first N that the run no longer reaches.
TEST(SerialFailureSweep, EachRefusedDriverCallLeavesNothingBehindAndTheNextOpenWorks) {
  EnableDispatch();
  for (int n = 1;; ++n) {
    TCallLog log;
    TFakeComm fake(log);
    fake.failCall = n;
    fake.writeMode = TWriteMode::PendThenComplete;
    fake.waits = {{TWaitStep::Complete, EV_RXCHAR}};
    fake.inQueue = 1;
    bool reached = false;
    {
      TEventRecorder recorder(log);
      TWDComAsync port;
      recorder.Bind(port);
      SetSchemaProperties(port);
      port.EvRxChar = 1;
      const ULONGLONG start = GetTickCount64();
      TData none;
      port.doOpen(none, 0);
      // The thread's first calls come before the writes, in every run alike.
      if (port.ThreadHandle) WaitUntil([&] { return fake.WaitPending(); }, 2000);
      for (const char* text : {"A", "B"}) {
        TData value = String(text);
        port.doWrite(value, 2);
      }
      port.ClosePort();
      EXPECT_LT(GetTickCount64() - start, 3 * 2000u) << fake.failedCall;
      reached = fake.driverCalls >= n;

      fake.failCall = 0;
      port.doOpen(none, 0);
      const int written = log.Count("onWrite 1");
      TData value = String("C");
      port.doWrite(value, 2);
      EXPECT_TRUE(fake.written.ends_with("C")) << "after refusing " << fake.failedCall;
      EXPECT_EQ(log.Count("onWrite 1"), written + 1) << "after refusing " << fake.failedCall;
    }
    for (void* block : fake.Blocks()) {
      EXPECT_EQ(fake.FreesOf(block), 1) << "after refusing " << fake.failedCall;
    }
    const auto count = [](const std::vector<HANDLE>& handles, HANDLE handle) {
      return std::count(handles.begin(), handles.end(), handle);
    };
    for (HANDLE handle : fake.madeHandles) {
      EXPECT_EQ(count(fake.closedHandles, handle), count(fake.madeHandles, handle))
          << "after refusing " << fake.failedCall;
    }
    if (!reached) break;
  }
}

}  // namespace
