// The element on a real virtual null-modem: COM3 is the element's port, COM4
// the far end read and written with plain calls.
#include <windows.h>
// After windows.h, which it needs.
#include <tlhelp32.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "tests/elements/serial/peer_port.h"
#include "tests/elements/serial/rx_counter.h"
#include "tests/elements/serial/serial_fixture.h"

using ::testing::ElementsAre;

namespace {

int ThreadsOfThisProcess() {
  const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return -1;
  THREADENTRY32 entry{};
  entry.dwSize = sizeof entry;
  int count = 0;
  for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
    count += entry.th32OwnerProcessID == GetCurrentProcessId() ? 1 : 0;
  }
  CloseHandle(snapshot);
  return count;
}

// The process's handle count; Wine answers GetProcessHandleCount with 0, so
// there the handle values are probed one by one (Wine hands out the lowest
// free multiple of 4, and a test process holds a few dozen). 0 when neither
// gives an answer.
DWORD HandleCount() {
  DWORD count = 0;
  if (GetProcessHandleCount(GetCurrentProcess(), &count) && count != 0) return count;
  count = 0;
  for (ULONG_PTR value = 4; value < (1u << 12); value += 4) {
    DWORD flags = 0;
    if (GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags)) ++count;
  }
  return count;
}

// True while the receive thread waits for line events: the real wait, with a
// flag around it.
std::atomic<bool> gReceiveThreadWaits{false};
DWORD WINAPI FlaggedWait(DWORD count, const HANDLE* handles, BOOL all, DWORD ms) {
  gReceiveThreadWaits = true;
  const DWORD woken = WaitForMultipleObjects(count, handles, all, ms);
  gReceiveThreadWaits = false;
  return woken;
}

class NullModemTest : public ::testing::Test {
 protected:
  void SetUp() override {
    EnableDispatch();
    ASSERT_TRUE(peer.IsOpen()) << "COM4 is missing: run inside the test world";
    peer.Drain(50);
    recorder.Bind(port);
    SetSchemaProperties(port);
  }

  void Open() {
    TData none;
    port.doOpen(none, 0);
  }

  void Write(TData value) { port.doWrite(value, 2); }

  TPeerPort peer{"COM4"};
  TCallLog log;
  TEventRecorder recorder{log};
  TWDComAsync port;
};

TEST_F(NullModemTest, OpensCom3WithTheSchemaSettings) {
  Open();
  EXPECT_THAT(EventsIn(log.Entries()), ElementsAre("onBeforeOpen", "onOpen 3"));
  ASSERT_EQ(port.Opened, 1);
  DCB dcb{};
  dcb.DCBlength = sizeof dcb;
  ASSERT_TRUE(GetCommState(port.PortHandle.Get(), &dcb));
  EXPECT_EQ(dcb.BaudRate, 19200u);
  EXPECT_EQ(dcb.StopBits, ONESTOPBIT);
  COMMTIMEOUTS timeouts{};
  ASSERT_TRUE(GetCommTimeouts(port.PortHandle.Get(), &timeouts));
  EXPECT_EQ(timeouts.ReadIntervalTimeout, 0xFFFFFFFFu);
  EXPECT_EQ(timeouts.WriteTotalTimeoutConstant, 1000u);
  EXPECT_EQ(timeouts.WriteTotalTimeoutMultiplier, 100u);
}

TEST_F(NullModemTest, AbsentDeviceReportsZero) {
  port.Port = "COM9";
  Open();
  EXPECT_THAT(EventsIn(log.Entries()), ElementsAre("onBeforeOpen", "onOpen 0"));
}

TEST_F(NullModemTest, EachValueBecomesExactlyItsBytesOnTheWire) {
  Open();
  Write(String("A"));
  EXPECT_EQ(peer.Read(2, 300), "A");
  Write(String("B"));
  EXPECT_EQ(peer.Read(2, 300), "B");
  Write(Integer(-12));
  EXPECT_EQ(peer.Read(4, 300), "-12");
  Write(TData{});
  EXPECT_EQ(peer.Read(1, 200), "");
  Write(String(std::string(3000, '\x55').c_str()));
  EXPECT_EQ(peer.Read(3000, 3000), std::string(3000, '\x55'));
  EXPECT_THAT(EventsIn(log.Entries()),
              ElementsAre("onBeforeOpen", "onOpen 3", "onWrite 1", "onWrite 1", "onWrite 3",
                          "onWrite 0", "onWrite 3000"));
}

TEST_F(NullModemTest, EmbeddedNulBytesCrossTheLine) {
  Open();
  TData value;
  MakeString(value, TText(std::string_view("\0A\0B\0", 5)));
  Write(value);
  EXPECT_EQ(peer.Read(6, 500), std::string("\0A\0B\0", 5));
  EXPECT_THAT(EventsIn(log.Entries()), ElementsAre("onBeforeOpen", "onOpen 3", "onWrite 5"));
}

TEST_F(NullModemTest, OpenCloseCyclesLeaveTheHandleCountWhereItStarted) {
  DWORD probe = 0;
  if (HandleCount() == 0) GTEST_SKIP() << "the platform gives no handle count";
  port.EvRxChar = 1;
  // One cycle first: the platform may make handles of its own on first use.
  Open();
  Write(String("w"));
  port.ClosePort();
  const DWORD before = HandleCount();
  for (int cycle = 0; cycle < 50; ++cycle) {
    Open();
    ASSERT_EQ(port.Opened, 1);
    Write(String("0123456789"));
    port.ClosePort();
  }
  const DWORD after = HandleCount();
  std::printf("handles: %lu before 50 open-close cycles, %lu after (%s)\n",
              static_cast<unsigned long>(before), static_cast<unsigned long>(after),
              GetProcessHandleCount(GetCurrentProcess(), &probe) && probe != 0
                  ? "GetProcessHandleCount"
                  : "handle values probed");
  EXPECT_EQ(after, before);
  peer.Drain(100);
}

TEST_F(NullModemTest, ReceivedBytesAreCountedOnTheReceiveThread) {
  TRxCounter counter;
  MakePoint<&TRxCounter::Count>(counter, 0, port.onRxChar);
  port.EvRxChar = 1;
  Open();
  for (int chunk = 0; chunk < 5; ++chunk) {
    ASSERT_EQ(peer.Write("xy"), 2u);
    Sleep(30);
  }
  EXPECT_TRUE(WaitUntil([&] { return counter.last.load() == 10; }, 3000)) << counter.last.load();
  EXPECT_FALSE(counter.fell.load());
  EXPECT_GE(counter.firings.load(), 1);
  EXPECT_NE(counter.thread.load(), GetCurrentThreadId());
  EXPECT_EQ(counter.thread.load(), GetThreadId(port.ThreadHandle.Get()));
  port.ClosePort();
}

TEST_F(NullModemTest, OpenCloseCyclesWithThePeerSendingLeaveNoThreadBehind) {
  TRxCounter counter;
  MakePoint<&TRxCounter::Count>(counter, 0, port.onRxChar);
  port.EvRxChar = 1;
  const int threadsBefore = ThreadsOfThisProcess();
  std::atomic<bool> sending{true};
  std::thread sender([&] {
    while (sending) {
      peer.Write("0123456789abcdef");
      Sleep(1);
    }
  });
  // Each receive thread is judged through a handle of its own: the wine server
  // hands an ended thread's id to new threads once a few hundred are free.
  int started = 0;
  int running = 0;
  int opened = 0;
  for (int cycle = 0; cycle < 200; ++cycle) {
    Open();
    opened += port.Opened;
    HANDLE thread = nullptr;
    if (port.ThreadHandle) {
      started += DuplicateHandle(GetCurrentProcess(), port.ThreadHandle.Get(), GetCurrentProcess(),
                                 &thread, SYNCHRONIZE, FALSE, 0);
    }
    // Now and then the port stays open until the peer's bytes have been seen,
    // so that closing also meets a thread that is busy firing.
    if (cycle % 20 == 0) {
      const int firings = counter.firings.load();
      WaitUntil([&] { return counter.firings.load() > firings; }, 500);
    }
    port.ClosePort();
    if (thread) {
      running += WaitForSingleObject(thread, 0) != WAIT_OBJECT_0;
      CloseHandle(thread);
    }
  }
  sending = false;
  sender.join();
  EXPECT_EQ(opened, 200);
  EXPECT_GT(counter.firings.load(), 0) << "the peer's bytes were seen";
  EXPECT_EQ(started, 200);
  EXPECT_EQ(running, 0) << "receive threads still running after their close";
  // Wine may still be winding down a helper thread of its own for a moment.
  EXPECT_TRUE(WaitUntil([&] { return ThreadsOfThisProcess() <= threadsBefore; }, 2000))
      << ThreadsOfThisProcess() << " threads, " << threadsBefore << " before";
  EXPECT_EQ(log.Count("onClose"), 200);
  peer.Drain(100);
}

// The far end's RTS arrives here as CTS, its DTR as DSR and DCD (RLSD): the
// open reports the lines already up, the receive thread every change.
TEST_F(NullModemTest, FarEndLineChangesFireTheLineEvents) {
  TCommApiOverride api;
  api->WaitForMultipleObjects = &FlaggedWait;
  port.EvCTS = port.EvDSR = port.EvRLSD = 1;
  ASSERT_TRUE(EscapeCommFunction(peer.Handle(), SETRTS));
  Open();
  EXPECT_THAT(EventsIn(log.Entries()), ElementsAre("onBeforeOpen", "onCTS 1", "onOpen 3"));
  const struct {
    DWORD function;
    std::vector<std::string> fired;
  } steps[] = {
      {CLRRTS, {"onCTS 0"}}, {SETDTR, {"onDSR 1", "onRLSD 1"}},
      {SETRTS, {"onCTS 1"}}, {CLRDTR, {"onDSR 0", "onRLSD 0"}},
      {CLRRTS, {"onCTS 0"}},
  };
  for (const auto& step : steps) {
    SCOPED_TRACE(step.fired.front());
    // Wine compares the lines with those at the start of each wait: a change
    // before the thread waits again would go unseen.
    ASSERT_TRUE(WaitUntil([] { return gReceiveThreadWaits.load(); }));
    log.Clear();
    ASSERT_TRUE(EscapeCommFunction(peer.Handle(), step.function));
    EXPECT_TRUE(WaitUntil([&] { return EventsIn(log.Entries()).size() >= step.fired.size(); }));
    // Whatever else the change fired came before the thread waits again.
    EXPECT_TRUE(WaitUntil([] { return gReceiveThreadWaits.load(); }));
    EXPECT_EQ(EventsIn(log.Entries()), step.fired);
  }
  const std::vector<DWORD> threads = recorder.ThreadsOf("onRLSD");
  ASSERT_FALSE(threads.empty());
  EXPECT_EQ(threads.back(), GetThreadId(port.ThreadHandle.Get()));
  port.ClosePort();
}

TEST_F(NullModemTest, DestroyingAnOpenElementClosesItsPort) {
  std::optional<TWDComAsync> element(std::in_place);
  SetSchemaProperties(*element);
  element->EvRxChar = 1;
  recorder.Bind(*element);
  TData none;
  element->doOpen(none, 0);
  ASSERT_EQ(element->Opened, 1);
  const HANDLE device = element->PortHandle.Get();
  // A handle of our own keeps the thread's object to be looked at once it ended.
  HANDLE thread = nullptr;
  ASSERT_TRUE(DuplicateHandle(GetCurrentProcess(), element->ThreadHandle.Get(), GetCurrentProcess(),
                              &thread, SYNCHRONIZE, FALSE, 0));
  log.Clear();
  element.reset();
  DWORD flags = 0;
  EXPECT_FALSE(GetHandleInformation(device, &flags)) << "the device handle is closed";
  EXPECT_EQ(WaitForSingleObject(thread, 0), WAIT_OBJECT_0) << "the receive thread ended";
  CloseHandle(thread);
  EXPECT_THAT(log.Entries(),
              ElementsAre("onBeforeClose", "onCTS 0", "onDSR 0", "onRLSD 0", "onClose"));
}

}  // namespace
