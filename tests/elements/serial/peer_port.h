#pragma once

#include <windows.h>

#include <string>
#include <string_view>

// The far end of a null-modem pair, opened with plain blocking calls so that
// tests see exactly the bytes that crossed the line.
class TPeerPort {
 public:
  explicit TPeerPort(const char* name) {
    const std::string device = std::string("\\\\.\\") + name;
    handle_ = CreateFileA(device.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                          FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle_ == INVALID_HANDLE_VALUE) return;
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    GetCommState(handle_, &dcb);
    dcb.BaudRate = 19200;
    dcb.ByteSize = 8;
    dcb.Parity = NOPARITY;
    dcb.StopBits = ONESTOPBIT;
    dcb.fBinary = 1;
    SetCommState(handle_, &dcb);
    PurgeComm(handle_, PURGE_RXCLEAR | PURGE_TXCLEAR);
  }
  ~TPeerPort() {
    if (IsOpen()) CloseHandle(handle_);
  }
  TPeerPort(const TPeerPort&) = delete;
  TPeerPort& operator=(const TPeerPort&) = delete;

  bool IsOpen() const { return handle_ != INVALID_HANDLE_VALUE; }

  // Reads until `count` bytes came or `ms` passed without them.
  std::string Read(std::size_t count, DWORD ms) {
    std::string bytes;
    const ULONGLONG deadline = GetTickCount64() + ms;
    while (bytes.size() < count) {
      const ULONGLONG now = GetTickCount64();
      if (now >= deadline) break;
      SetTimeouts(static_cast<DWORD>(deadline - now));
      char buffer[4096];
      DWORD got = 0;
      const DWORD want = static_cast<DWORD>(std::min(count - bytes.size(), sizeof buffer));
      if (!ReadFile(handle_, buffer, want, &got, nullptr)) break;
      bytes.append(buffer, got);
    }
    return bytes;
  }

  DWORD Write(std::string_view bytes) {
    SetTimeouts(1000);
    DWORD written = 0;
    WriteFile(handle_, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    return written;
  }

  // Reads and drops whatever arrives until the line has been quiet for `ms`.
  void Drain(DWORD ms = 200) {
    while (!Read(1 << 16, ms).empty()) {
    }
  }

  HANDLE Handle() const { return handle_; }

 private:
  void SetTimeouts(DWORD ms) {
    COMMTIMEOUTS t{};
    t.ReadTotalTimeoutConstant = ms;
    t.WriteTotalTimeoutConstant = ms;
    SetCommTimeouts(handle_, &t);
  }

  HANDLE handle_ = INVALID_HANDLE_VALUE;
};
