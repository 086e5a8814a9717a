#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <mutex>
#include <optional>

#include "tests/elements/serial/serial_fixture.h"

using ::testing::ElementsAre;

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

  int TimesReleased(HANDLE handle) {
    std::lock_guard lock(fake.mutex);
    return static_cast<int>(std::count(fake.closedHandles.begin(), fake.closedHandles.end(), handle));
  }
  bool Released(HANDLE handle) { return TimesReleased(handle) == 1; }

  // The receive thread's wait record: the only block an open without writes
  // takes from the heap.
  void* ReceiveBlock() {
    const std::vector<void*> blocks = fake.Blocks();
    EXPECT_EQ(blocks.size(), 1u);
    return blocks.empty() ? nullptr : blocks.back();
  }
};

// A window of the GUI thread (the test's) that answers WM_APP with 42.
class TGuiWindow {
 public:
  TGuiWindow() {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = &Procedure;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "SerialSeamTestWindow";
    RegisterClassA(&windowClass);
    handle = CreateWindowExA(0, windowClass.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE,
                             nullptr, windowClass.hInstance, nullptr);
  }
  ~TGuiWindow() { DestroyWindow(handle); }
  TGuiWindow(const TGuiWindow&) = delete;
  TGuiWindow& operator=(const TGuiWindow&) = delete;

  HWND handle = nullptr;
  static inline std::atomic<DWORD> handledOn{0};

 private:
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != WM_APP) return DefWindowProcA(window, message, wParam, lParam);
    handledOn = GetCurrentThreadId();
    return 42;
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
    const ULONGLONG opened = GetTickCount64();
    Open();
    // Retrying at once would make a dozen calls in no time; the back-off of 1,
    // 2, 4 ... 50 ms spends some 300 ms on them, however loaded the machine.
    ASSERT_TRUE(WaitUntil([&] { return fake.WaitCalls() - before >= 12; }));
    EXPECT_GE(GetTickCount64() - opened, 200u);
    const ULONGLONG start = GetTickCount64();
    port.ClosePort();
    EXPECT_LT(GetTickCount64() - start, 3 * 500u);
  }
  // The last wait of each was refused at once: the driver holds no record.
  for (void* block : fake.Blocks()) EXPECT_EQ(fake.FreesOf(block), 1);
}

BOOL WINAPI RefusedSetEvent(HANDLE) { return FALSE; }

TEST_F(SerialReceiveTest, CloseStopsAWaitingThreadAndReleasesItsEvents) {
  port.EvRxChar = 1;
  Open();
  ASSERT_TRUE(WaitUntil([&] { return fake.WaitPending(); }));
  const DWORD id = GetThreadId(port.ThreadHandle.Get());
  const HANDLE waitEvent = fake.waitEvent;
  void* block = ReceiveBlock();
  log.Clear();
  TCommApiOverride refused;  // the thread sees the stop at its next look all the same
  refused->SetEvent = &RefusedSetEvent;
  port.ClosePort();
  EXPECT_TRUE(ThreadEnded(id));
  EXPECT_THAT(Events(), ElementsAre("onBeforeClose", "onCTS 0", "onDSR 0", "onRLSD 0", "onClose"));
  EXPECT_LT(PositionOf("SetCommMask 0x0"), PositionOf("CloseHandle port"));
  EXPECT_TRUE(Released(waitEvent));
  EXPECT_EQ(fake.FreesOf(block), 1);
  EXPECT_FALSE(port.ThreadHandle);
}

// While set, the seam's clock jumps an hour at each reading: any wait the
// element bounds by the clock gives up at once.
std::atomic<bool> gClockRaces{false};
ULONGLONG WINAPI RacingClock() {
  static std::atomic<ULONGLONG> jumped{0};
  if (gClockRaces) jumped += 3600000;
  return GetTickCount64() + jumped;
}

// The first wait it is asked for fails (WAIT_FAILED).
DWORD WINAPI FailingFirstWait(DWORD n, const HANDLE* handles, BOOL all, DWORD ms, DWORD wake) {
  static std::atomic<bool> failed{false};
  return failed.exchange(true) ? MsgWaitForMultipleObjects(n, handles, all, ms, wake) : WAIT_FAILED;
}

// The element lives in storage of the test's, poisoned once it is destroyed.
TEST_F(SerialReceiveTest, ReceiverWritingDuringTheDestructionHoldsItAndNothingFiresAfter) {
  alignas(TWDComAsync) unsigned char storage[sizeof(TWDComAsync)];
  TWDComAsync* element = new (storage) TWDComAsync();
  SetSchemaProperties(*element);
  element->EvRxChar = element->EvBreak = 1;
  recorder.Bind(*element);
  fake.inQueue = 2;
  fake.waits = {{TWaitStep::Complete, EV_RXCHAR | EV_BREAK}, {TWaitStep::Complete, EV_RXCHAR}};
  TCommApiOverride clock;
  clock->GetTickCount64 = &RacingClock;
  clock->MsgWaitForMultipleObjects = &FailingFirstWait;  // the close's wait for the thread
  recorder.after = [&](const std::string& entry) {
    if (entry != "onRxChar 2") return;
    gClockRaces = true;
    WaitUntil([&] { return Logged("onBeforeClose"); });
    Sleep(100);  // the close is waiting for this thread by now
    gClockRaces = false;
    TData late = String("late");
    element->doWrite(late, 2);
    log.Add("receiver returned");
  };
  TData none;
  element->doOpen(none, 0);
  ASSERT_TRUE(WaitUntil([&] { return Logged("onRxChar 2"); }));
  HANDLE thread = nullptr;
  ASSERT_TRUE(DuplicateHandle(GetCurrentProcess(), element->ThreadHandle.Get(), GetCurrentProcess(),
                              &thread, SYNCHRONIZE, FALSE, 0));
  element->~TWDComAsync();
  std::memset(storage, 0xDD, sizeof storage);
  EXPECT_EQ(WaitForSingleObject(thread, 0), WAIT_OBJECT_0) << "ended before the element";
  CloseHandle(thread);
  EXPECT_LT(PositionOf("receiver returned"), PositionOf("onCTS 0"));
  EXPECT_THAT(Events(), ElementsAre("onBeforeOpen", "onOpen 3", "onRxChar 2", "onBeforeClose",
                                    "onWrite 4", "onCTS 0", "onDSR 0", "onRLSD 0", "onClose"));
  EXPECT_EQ(fake.written, "late") << "a write while the port is still open is sent";
}

TEST_F(SerialReceiveTest, ReceiverSendingToAWindowOfTheGuiThreadDoesNotHoldTheClose) {
  TGuiWindow window;
  ASSERT_NE(window.handle, nullptr);
  TGuiWindow::handledOn = 0;
  port.EvBreak = 1;
  fake.waits = {{TWaitStep::Complete, EV_BREAK}};
  std::atomic<bool> sending{false};
  std::atomic<LRESULT> answer{0};
  recorder.after = [&](const std::string& entry) {
    if (entry != "onBreak") return;
    sending = true;
    answer = SendMessageA(window.handle, WM_APP, 0, 0);
  };
  Open();
  // Sleep handles no sent messages: the receiver stays inside SendMessage.
  ASSERT_TRUE(WaitUntil([&] { return sending.load(); }));
  Sleep(50);
  ASSERT_EQ(answer.load(), 0);
  void* block = ReceiveBlock();
  const DWORD id = GetThreadId(port.ThreadHandle.Get());

  const ULONGLONG start = GetTickCount64();
  port.ClosePort();
  const ULONGLONG elapsed = GetTickCount64() - start;
  RecordProperty("close_ms", static_cast<int>(elapsed));
  EXPECT_LT(elapsed, 3 * 500u);
  EXPECT_EQ(answer.load(), 42);
  EXPECT_EQ(TGuiWindow::handledOn.load(), GetCurrentThreadId());
  EXPECT_TRUE(ThreadEnded(id));
  EXPECT_EQ(fake.FreesOf(block), 1);
}

TEST_F(SerialReceiveTest, WaitTheDriverNeverEndsOutlivesTheElement) {
  fake.cancelIgnored = true;
  fake.maskZeroIgnored = true;
  std::optional<TWDComAsync> element(std::in_place);
  SetSchemaProperties(*element);
  element->EvRxChar = 1;
  recorder.Bind(*element);
  TData none;
  element->doOpen(none, 0);
  ASSERT_TRUE(WaitUntil([&] { return fake.WaitPending(); }));
  void* block = ReceiveBlock();
  const HANDLE waitEvent = fake.waitEvent;
  const DWORD id = GetThreadId(element->ThreadHandle.Get());

  const ULONGLONG start = GetTickCount64();
  element.reset();
  RecordProperty("destroy_ms", static_cast<int>(GetTickCount64() - start));
  EXPECT_LT(GetTickCount64() - start, 3 * 500u);
  EXPECT_TRUE(ThreadEnded(id)) << "the thread ended by itself, within the bound";
  EXPECT_EQ(fake.FreesOf(block), 0) << "the driver still holds the wait record";
  EXPECT_EQ(TimesReleased(waitEvent), 0) << "the driver still signals the event";

  // The driver ends the request at last: its record and event are still there.
  EXPECT_TRUE(fake.Deliver(EV_RXCHAR));
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
  EXPECT_TRUE(Released(fake.waitEvent));
  EXPECT_EQ(fake.FreesOf(ReceiveBlock()), 1);
  log.Clear();
  const ULONGLONG start = GetTickCount64();
  port.ClosePort();
  EXPECT_LT(GetTickCount64() - start, 3 * 500u) << "a thread that has ended is not waited for";
  EXPECT_THAT(Events(), ElementsAre("onBeforeClose", "onCTS 0", "onDSR 0", "onRLSD 0", "onClose"));
  EXPECT_FALSE(port.ThreadHandle);
}

}  // namespace
