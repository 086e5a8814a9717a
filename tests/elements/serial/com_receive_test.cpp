#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/elements/serial/serial_fixture.h"

using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

constexpr DWORD kAllEvents = EV_RXCHAR | EV_RXFLAG | EV_TXEMPTY | EV_CTS | EV_DSR | EV_RLSD |
                             EV_BREAK | EV_ERR | EV_RING | EV_RX80FULL;

class SerialReceiveTest : public SerialSeamTest {
 protected:
  // True once the thread of the given id has ended (or is gone altogether).
  static bool ThreadEnded(DWORD id) {
    const HANDLE thread = OpenThread(SYNCHRONIZE, FALSE, id);
    if (!thread) return true;
    const bool ended = WaitForSingleObject(thread, 0) == WAIT_OBJECT_0;
    CloseHandle(thread);
    return ended;
  }

  bool Logged(const std::string& entry) const { return log.Count(entry) > 0; }

  std::ptrdiff_t PositionOf(const std::string& entry) const {
    const std::vector<std::string> entries = log.Entries();
    return std::find(entries.begin(), entries.end(), entry) - entries.begin();
  }

  bool Released(HANDLE handle) {
    std::lock_guard lock(fake.mutex);
    return std::count(fake.closedHandles.begin(), fake.closedHandles.end(), handle) == 1;
  }
};

TEST_F(SerialReceiveTest, OneWakeUpFiresItsEventsInTheOrderOfTheBits) {
  Open();
  fake.modemStatus = MS_CTS_ON | MS_DSR_ON | MS_RLSD_ON;
  fake.inQueue = 7;
  fake.errorWords = {0, CE_FRAME};
  log.Clear();
  port.HandleCommEvents(kAllEvents);
  EXPECT_THAT(log.Entries(),
              ElementsAre("ClearCommError", "onRxChar 7", "onTxEmpty", "onBreak", "onRing",
                          "GetCommModemStatus", "onCTS 1", "GetCommModemStatus", "onDSR 1",
                          "onRxFlag", "GetCommModemStatus", "onRLSD 1", "ClearCommError",
                          "onError \"Receive Framing Error\"", "onRx80Full"));
}

TEST_F(SerialReceiveTest, TheLatestErrorInTheTableNamesTheMessage) {
  Open();
  const struct {
    DWORD errors;
    std::uint8_t parityCheck;
    const char* fired;
  } cases[] = {
      {0, 0, "onError \"\""},
      {CE_FRAME | CE_OVERRUN, 0, "onError \"Receive Overrun Error\""},
      {CE_RXPARITY, 0, "onError \"\""},
      {CE_RXPARITY, 1, "onError \"Receive Parity Error\""},
      {CE_FRAME | CE_RXPARITY, 0, "onError \"Receive Framing Error\""},
      {CE_FRAME | CE_RXPARITY, 1, "onError \"Receive Parity Error\""},
      {CE_RXPARITY | CE_OVERRUN, 1, "onError \"Receive Overrun Error\""},
      {CE_OVERRUN | CE_RXOVER, 0, "onError \"Receive Queue overflow\""},
      {CE_RXOVER | CE_TXFULL, 0, "onError \"TX Queue is full\""},
      {CE_TXFULL | CE_BREAK, 0, "onError \"Break Detected\""},
      {CE_BREAK | CE_IOE, 0, "onError \"Port I/O Error\""},
      {0xFFFF, 1, "onError \"Requested mode unsupported\""},
  };
  for (const auto& c : cases) {
    log.Clear();
    port.ParityCheck = c.parityCheck;
    fake.errorWords = {c.errors};
    port.HandleCommEvents(EV_ERR);
    EXPECT_THAT(Events(), ElementsAre(c.fired)) << std::hex << c.errors;
  }
}

TEST_F(SerialReceiveTest, ReceivedCharactersAndErrorsReadTheErrorWordTwice) {
  Open();
  fake.inQueue = 3;
  fake.errorWords = {CE_FRAME, 0};
  log.Clear();
  port.HandleCommEvents(EV_RXCHAR | EV_ERR);
  EXPECT_THAT(log.Entries(),
              ElementsAre("ClearCommError", "onRxChar 3", "ClearCommError", "onError \"\""));
}

TEST_F(SerialReceiveTest, FailingReadsSkipOnlyTheirOwnEvents) {
  Open();
  fake.clearErrorFails = true;
  fake.modemFails = true;
  log.Clear();
  port.HandleCommEvents(kAllEvents);
  EXPECT_THAT(Events(), ElementsAre("onTxEmpty", "onBreak", "onRing", "onRxFlag", "onRx80Full"));
}

TEST_F(SerialReceiveTest, ThreadFiresOnItselfAndSkipsEmptyCompletions) {
  port.EvRxChar = port.EvBreak = 1;
  fake.inQueue = 5;
  fake.waits = {{TWaitStep::Abort},
                {TWaitStep::Complete, 0},
                {TWaitStep::FailAtOnce},
                {TWaitStep::Complete, EV_RXCHAR}};
  Open();
  ASSERT_TRUE(WaitUntil([&] { return Logged("onRxChar 5"); }));
  fake.Deliver(EV_BREAK);
  ASSERT_TRUE(WaitUntil([&] { return Logged("onBreak"); }));
  EXPECT_THAT(Events(), ElementsAre("onBeforeOpen", "onOpen 3", "onRxChar 5", "onBreak"));
  const std::vector<DWORD> threads = recorder.ThreadsOf("onRxChar");
  ASSERT_EQ(threads.size(), 1u);
  EXPECT_EQ(threads[0], GetThreadId(port.ThreadHandle.Get()));
  EXPECT_NE(threads[0], GetCurrentThreadId());
}

TEST_F(SerialReceiveTest, IdleThreadDoesNotSpinOnEmptyCompletions) {
  port.EvRxChar = 1;
  for (TWaitStep idle : {TWaitStep::Abort, TWaitStep::FailAtOnce}) {
    fake.idleWait = {idle};
    const int before = fake.WaitCalls();
    Open();
    Sleep(400);
    const int waits = fake.WaitCalls() - before;
    // Retrying at once would make thousands of calls; the back-off makes tens.
    EXPECT_GE(waits, 5);
    EXPECT_LE(waits, 80);
    const ULONGLONG start = GetTickCount64();
    port.ClosePort();
    EXPECT_LT(GetTickCount64() - start, 500u);
  }
  EXPECT_FALSE(Logged("TerminateThread"));
}

TEST_F(SerialReceiveTest, CloseStopsAWaitingThreadAndReleasesItsEvents) {
  port.EvRxChar = 1;
  Open();
  ASSERT_TRUE(WaitUntil([&] { return fake.WaitPending(); }));
  const DWORD id = GetThreadId(port.ThreadHandle.Get());
  const HANDLE waitEvent = fake.waitEvent;
  log.Clear();
  port.ClosePort();
  EXPECT_TRUE(ThreadEnded(id));
  EXPECT_FALSE(Logged("TerminateThread"));
  EXPECT_THAT(Events(), ElementsAre("onBeforeClose", "onCTS 0", "onDSR 0", "onRLSD 0", "onClose"));
  EXPECT_LT(PositionOf("SetCommMask 0x0"), PositionOf("CloseHandle port"));
  EXPECT_TRUE(Released(waitEvent));
  EXPECT_FALSE(port.ThreadHandle);
  fake.Deliver(EV_RXCHAR);
  Sleep(50);
  EXPECT_EQ(log.Count("onRxChar 0"), 0);
}

TEST_F(SerialReceiveTest, CloseWaitsForAFiringUnderWayAndFiresNothingAfter) {
  port.EvRxChar = 1;
  fake.inQueue = 4;
  fake.waits = {{TWaitStep::Complete, EV_RXCHAR}, {TWaitStep::Complete, EV_RXCHAR}};
  recorder.after = [&](const std::string& entry) {
    if (entry == "onRxChar 4") {
      Sleep(300);
      log.Add("receiver returned");
    }
  };
  Open();
  ASSERT_TRUE(WaitUntil([&] { return Logged("onRxChar 4"); }));
  port.ClosePort();
  EXPECT_FALSE(Logged("TerminateThread"));
  EXPECT_LT(PositionOf("receiver returned"), PositionOf("onCTS 0"));
  EXPECT_LT(PositionOf("receiver returned"), PositionOf("CloseHandle port"));
  EXPECT_EQ(log.Count("onRxChar 4"), 1) << "the second wake-up came after the stop";
}

TEST_F(SerialReceiveTest, ReceiverThatNeverReturnsIsEndedByForceAfterTheBound) {
  port.EvBreak = 1;
  fake.waits = {{TWaitStep::Complete, EV_BREAK}};
  const HANDLE never = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  recorder.after = [&](const std::string& entry) {
    if (entry == "onBreak") WaitForSingleObject(never, INFINITE);
  };
  Open();
  ASSERT_TRUE(WaitUntil([&] { return Logged("onBreak"); }));
  const HANDLE waitEvent = fake.waitEvent;
  const ULONGLONG start = GetTickCount64();
  port.ClosePort();
  const ULONGLONG elapsed = GetTickCount64() - start;
  EXPECT_TRUE(Logged("TerminateThread"));
  EXPECT_GE(elapsed, 2500u);
  EXPECT_LT(elapsed, 10000u);
  EXPECT_LT(PositionOf("TerminateThread"), PositionOf("CloseHandle port"));
  EXPECT_TRUE(Released(waitEvent));
  EXPECT_EQ(port.Opened, 0);
  CloseHandle(never);
}

TEST_F(SerialReceiveTest, FailedWaitEndsTheThreadWhichClearsTheLine) {
  port.EvRxChar = 1;
  fake.multipleWaitFails = true;
  Open();
  ASSERT_TRUE(
      WaitUntil([&] { return WaitForSingleObject(port.ThreadHandle.Get(), 0) == WAIT_OBJECT_0; }));
  EXPECT_TRUE(Logged("SetCommMask 0x0"));
  EXPECT_TRUE(Logged("PurgeComm 0xc"));
  EXPECT_EQ(port.Opened, 1) << "the element stays open";
  const HANDLE waitEvent = fake.waitEvent;
  log.Clear();
  port.ClosePort();
  EXPECT_THAT(Events(), ElementsAre("onBeforeClose", "onCTS 0", "onDSR 0", "onRLSD 0", "onClose"));
  EXPECT_TRUE(Released(waitEvent));
  EXPECT_FALSE(Logged("TerminateThread"));
}

TEST_F(SerialReceiveTest, LineChangesFromTheThreadCarryTheNewStates) {
  port.EvCTS = port.EvDSR = port.EvRLSD = 1;
  Open();
  ASSERT_TRUE(WaitUntil([&] { return fake.WaitPending(); }));
  {
    std::lock_guard lock(fake.mutex);
    fake.modemStatus = MS_CTS_ON | MS_RLSD_ON;
  }
  fake.Deliver(EV_CTS | EV_DSR | EV_RLSD);
  ASSERT_TRUE(WaitUntil([&] { return Logged("onRLSD 1"); }));
  EXPECT_THAT(Events(), ElementsAre("onBeforeOpen", "onOpen 3", "onCTS 1", "onDSR 0", "onRLSD 1"));
  EXPECT_EQ(port.CtsState.load(), 1);
}

}  // namespace
