#pragma once

#include <windows.h>

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

// A program started as a child process and watched from outside (by default
// the frame helper). Every wait is bounded; a child still running when the
// object goes is ended.
class TChildProcess {
 public:
  explicit TChildProcess(const std::string& arguments);
  TChildProcess(const std::string& executable, const std::string& arguments);
  ~TChildProcess();
  TChildProcess(const TChildProcess&) = delete;
  TChildProcess& operator=(const TChildProcess&) = delete;

  bool Started() const { return process_ != nullptr; }

  // The child's next visible message box with this caption, or nil when none
  // comes in time.
  HWND WaitForBox(const std::string& caption,
                  std::chrono::milliseconds limit = std::chrono::seconds(15));
  HWND WaitForErrorBox(std::chrono::milliseconds limit = std::chrono::seconds(15)) {
    return WaitForBox("Error", limit);
  }

  // The message text of a box, and dismissing it with its OK button.
  static std::string BoxText(HWND box);
  static std::wstring BoxWideText(HWND box);
  static bool PressOk(HWND box);

  std::optional<DWORD> WaitForExit(std::chrono::milliseconds limit = std::chrono::seconds(15));

  // Where the child's executable image lies, while the child runs.
  bool ImageRange(std::uintptr_t& start, std::uintptr_t& end) const;

  DWORD Id() const { return id_; }
  HANDLE Handle() const { return process_; }

 private:
  HANDLE process_ = nullptr;
  DWORD id_ = 0;
};

std::string FrameHelperPath();
// A file beside the running test executable.
std::string SiblingPath(const char* name);
