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
