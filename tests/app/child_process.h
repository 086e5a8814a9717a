#pragma once

#include <windows.h>

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

// The frame helper started as a child process, watched from outside. Every
// wait is bounded; a child still running when the object goes is ended.
class TChildProcess {
 public:
  explicit TChildProcess(const std::string& arguments);
  ~TChildProcess();
  TChildProcess(const TChildProcess&) = delete;
  TChildProcess& operator=(const TChildProcess&) = delete;

  bool Started() const { return process_ != nullptr; }

  // The child's next "Error" message box, or nil when none comes in time.
  HWND WaitForErrorBox(std::chrono::milliseconds limit = std::chrono::seconds(15));

  // The message text of a box, and dismissing it with its OK button.
  static std::string BoxText(HWND box);
  static bool PressOk(HWND box);

  std::optional<DWORD> WaitForExit(std::chrono::milliseconds limit = std::chrono::seconds(15));

  // Where the child's executable image lies, while the child runs.
  bool ImageRange(std::uintptr_t& start, std::uintptr_t& end) const;

 private:
  HANDLE process_ = nullptr;
  DWORD id_ = 0;
};

std::string FrameHelperPath();
