// Checks the world the Windows tests run in: if one of these fails, every
// window or serial test after it would fail for a reason that is not theirs.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

namespace {

struct Handle {
  HANDLE h;
  explicit Handle(HANDLE handle) : h(handle) {}
  ~Handle() {
    if (h != INVALID_HANDLE_VALUE && h != nullptr) CloseHandle(h);
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
};

HANDLE OpenPort(const char* name) {
  return CreateFileA(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
}

}  // namespace

TEST(WineWorld, AnsiCodePageIsCyrillic) {
  // The captions are Windows-1251 bytes that go unchanged to the ANSI calls.
  EXPECT_EQ(GetACP(), 1251u);
}

TEST(WineWorld, WindowsAppearOnARealDisplay) {
  HWND window = CreateWindowExA(0, "STATIC", "\xC2\xEA\xEB", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10,
                                10, 100, 50, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
  ASSERT_NE(window, nullptr);
  char caption[16] = {};
  GetWindowTextA(window, caption, sizeof caption);
  EXPECT_STREQ(caption, "\xC2\xEA\xEB");
  EXPECT_TRUE(IsWindowVisible(window));
  DestroyWindow(window);
}

TEST(WineWorld, NullModemPairsCarryBytesBothWays) {
  for (auto [a, b] : {std::pair{"\\\\.\\COM3", "\\\\.\\COM4"}, {"\\\\.\\COM5", "\\\\.\\COM6"}}) {
    Handle left(OpenPort(a));
    Handle right(OpenPort(b));
    ASSERT_NE(left.h, INVALID_HANDLE_VALUE) << a << " error " << GetLastError();
    ASSERT_NE(right.h, INVALID_HANDLE_VALUE) << b << " error " << GetLastError();
    COMMTIMEOUTS timeouts = {};
    timeouts.ReadTotalTimeoutConstant = 2000;
    ASSERT_TRUE(SetCommTimeouts(right.h, &timeouts));
    PurgeComm(right.h, PURGE_RXCLEAR);

    DWORD written = 0;
    ASSERT_TRUE(WriteFile(left.h, "AB", 2, &written, nullptr));
    EXPECT_EQ(written, 2u);
    char received[2] = {};
    DWORD read = 0;
    ASSERT_TRUE(ReadFile(right.h, received, 2, &read, nullptr));
    ASSERT_EQ(read, 2u) << a << " -> " << b;
    EXPECT_EQ(std::string(received, 2), "AB");
  }
}

TEST(WineWorld, AMissingPortIsReportedAsNotFound) {
  Handle port(OpenPort("\\\\.\\COM9"));
  EXPECT_EQ(port.h, INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

namespace {

DWORD LinesSeenAt(HANDLE port) {
  DWORD status = 0;
  if (!GetCommModemStatus(port, &status)) return 0xFFFFFFFF;
  return status & (MS_CTS_ON | MS_DSR_ON | MS_RING_ON | MS_RLSD_ON);
}

}  // namespace

// Each pair is crossed like a null-modem cable: one end's RTS is the other
// end's CTS, its DTR the other end's DSR and DCD; an end that closes drops them.
TEST(WineWorld, NullModemPairsCrossTheirModemLines) {
  constexpr DWORD kDtr = MS_DSR_ON | MS_RLSD_ON;
  for (auto [from, to] : {std::pair{"\\\\.\\COM3", "\\\\.\\COM4"},
                          {"\\\\.\\COM4", "\\\\.\\COM3"},
                          {"\\\\.\\COM5", "\\\\.\\COM6"},
                          {"\\\\.\\COM6", "\\\\.\\COM5"}}) {
    SCOPED_TRACE(from);
    Handle theirs(OpenPort(to));
    ASSERT_NE(theirs.h, INVALID_HANDLE_VALUE) << to << " error " << GetLastError();
    {
      Handle ours(OpenPort(from));
      ASSERT_NE(ours.h, INVALID_HANDLE_VALUE) << from << " error " << GetLastError();
      EXPECT_EQ(LinesSeenAt(theirs.h), 0u);
      const struct {
        DWORD function;
        DWORD seen;
      } steps[] = {{SETRTS, MS_CTS_ON},
                   {SETDTR, MS_CTS_ON | kDtr},
                   {CLRRTS, kDtr},
                   {SETRTS, MS_CTS_ON | kDtr}};
      for (const auto& step : steps) {
        ASSERT_TRUE(EscapeCommFunction(ours.h, step.function));
        EXPECT_EQ(LinesSeenAt(theirs.h), step.seen) << "after function " << step.function;
        EXPECT_EQ(LinesSeenAt(ours.h), 0u) << "an end sees only the far end's lines";
      }
    }
    EXPECT_EQ(LinesSeenAt(theirs.h), 0u) << "the closed end's lines dropped";
  }
}

// A pair whose state file is missing still takes the modem calls, with its
// lines low, but they reach no far end (and the library says so on stderr).
TEST(WineWorld, PairWithoutItsStateFileHasLowLinesOfItsOwn) {
  char ports[MAX_PATH] = {};
  ASSERT_NE(GetEnvironmentVariableA("COMSWITCH_PORTS", ports, sizeof ports), 0u);
  const std::string state = std::string("Z:") + ports + "/pair-com5.lines";
  const std::string away = state + ".away";
  ASSERT_TRUE(MoveFileA(state.c_str(), away.c_str())) << GetLastError();
  struct TRestore {
    const std::string& from;
    const std::string& to;
    ~TRestore() { MoveFileA(from.c_str(), to.c_str()); }
  } restore{away, state};

  Handle ours(OpenPort("\\\\.\\COM5"));
  Handle theirs(OpenPort("\\\\.\\COM6"));
  ASSERT_NE(ours.h, INVALID_HANDLE_VALUE);
  ASSERT_NE(theirs.h, INVALID_HANDLE_VALUE);
  EXPECT_TRUE(EscapeCommFunction(ours.h, SETRTS));
  EXPECT_TRUE(EscapeCommFunction(ours.h, SETDTR));
  EXPECT_EQ(LinesSeenAt(ours.h), 0u);
  EXPECT_EQ(LinesSeenAt(theirs.h), 0u);
}
