#pragma once

#include <windows.h>

#include "elements/serial/comm_api.h"

// One owned kernel handle (device, event or thread), closed exactly once.
// An empty handle holds 0; INVALID_HANDLE_VALUE is never stored.
class TWinHandle {
 public:
  TWinHandle() = default;
  explicit TWinHandle(HANDLE handle) : handle_(handle == INVALID_HANDLE_VALUE ? nullptr : handle) {}
  ~TWinHandle() { Close(); }
  TWinHandle(const TWinHandle&) = delete;
  TWinHandle& operator=(const TWinHandle&) = delete;
  TWinHandle(TWinHandle&& other) noexcept : handle_(other.handle_) { other.handle_ = nullptr; }
  TWinHandle& operator=(TWinHandle&& other) noexcept {
    if (this != &other) {
      Close();
      handle_ = other.handle_;
      other.handle_ = nullptr;
    }
    return *this;
  }

  HANDLE Get() const { return handle_; }
  explicit operator bool() const { return handle_ != nullptr; }

  void Close() {
    if (handle_) CommApi.CloseHandle(handle_);
    handle_ = nullptr;
  }

 private:
  HANDLE handle_ = nullptr;
};
