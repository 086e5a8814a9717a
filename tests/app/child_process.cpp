#include "child_process.h"

#include <psapi.h>

#include <thread>
#include <vector>

namespace {

constexpr auto kPollInterval = std::chrono::milliseconds(50);
constexpr int kMessageTextId = 0xFFFF;

struct TBoxSearch {
  DWORD processId;
  const std::string* caption;
  HWND found;
};

BOOL CALLBACK MatchErrorBox(HWND window, LPARAM parameter) {
  auto& search = *reinterpret_cast<TBoxSearch*>(parameter);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  char className[64] = {};
  char caption[64] = {};
  GetClassNameA(window, className, sizeof className);
  GetWindowTextA(window, caption, sizeof caption);
  if (owner == search.processId && std::string(className) == "#32770" &&
      caption == *search.caption && IsWindowVisible(window)) {
    search.found = window;
    return FALSE;
  }
  return TRUE;
}

BOOL CALLBACK CollectStaticText(HWND child, LPARAM parameter) {
  char className[32] = {};
  GetClassNameA(child, className, sizeof className);
  if (std::string(className) == "Static") {
    std::vector<char> text(8192);
    const int length = GetWindowTextA(child, text.data(), static_cast<int>(text.size()));
    auto& longest = *reinterpret_cast<std::string*>(parameter);
    if (length > static_cast<int>(longest.size())) longest.assign(text.data(), length);
  }
  return TRUE;
}

}  // namespace

std::string SiblingPath(const char* name) {
  char path[MAX_PATH * 4] = {};
  const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
  std::string folder(path, length);
  folder.erase(folder.find_last_of("\\/") + 1);
  return folder + name;
}

std::string FrameHelperPath() { return SiblingPath(FRAME_HELPER_NAME); }

TChildProcess::TChildProcess(const std::string& arguments)
    : TChildProcess(FrameHelperPath(), arguments) {}

TChildProcess::TChildProcess(const std::string& executable, const std::string& arguments) {
  std::string commandLine = "\"" + executable + "\" " + arguments;
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info = {};
  if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &info)) {
    return;
  }
  CloseHandle(info.hThread);
  process_ = info.hProcess;
  id_ = info.dwProcessId;
}

TChildProcess::~TChildProcess() {
  if (!process_) return;
  if (WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) {
    TerminateProcess(process_, 99);
    WaitForSingleObject(process_, 5000);
  }
  CloseHandle(process_);
}

HWND TChildProcess::WaitForBox(const std::string& caption, std::chrono::milliseconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (std::chrono::steady_clock::now() < deadline) {
    TBoxSearch search{id_, &caption, nullptr};
    EnumWindows(&MatchErrorBox, reinterpret_cast<LPARAM>(&search));
    if (search.found) return search.found;
    // A child that has gone will show nothing more.
    if (WaitForSingleObject(process_, 0) != WAIT_TIMEOUT) return nullptr;
    std::this_thread::sleep_for(kPollInterval);
  }
  return nullptr;
}

std::string TChildProcess::BoxText(HWND box) {
  std::vector<char> text(8192);
  const UINT length = GetDlgItemTextA(box, kMessageTextId, text.data(), text.size());
  if (length > 0) return std::string(text.data(), length);
  std::string longest;
  EnumChildWindows(box, &CollectStaticText, reinterpret_cast<LPARAM>(&longest));
  return longest;
}

std::wstring TChildProcess::BoxWideText(HWND box) {
  wchar_t text[256] = {};
  return std::wstring(text, GetDlgItemTextW(box, kMessageTextId, text, 256));
}

bool TChildProcess::PressOk(HWND box) {
  PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(box, IDOK)));
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (std::chrono::steady_clock::now() < deadline) {
    if (!IsWindow(box)) return true;
    std::this_thread::sleep_for(kPollInterval);
  }
  return false;
}

std::optional<DWORD> TChildProcess::WaitForExit(std::chrono::milliseconds limit) {
  if (WaitForSingleObject(process_, static_cast<DWORD>(limit.count())) != WAIT_OBJECT_0) {
    return std::nullopt;
  }
  DWORD code = 0;
  GetExitCodeProcess(process_, &code);
  return code;
}

bool TChildProcess::ImageRange(std::uintptr_t& start, std::uintptr_t& end) const {
  HMODULE image = nullptr;
  DWORD needed = 0;
  if (!EnumProcessModules(process_, &image, sizeof image, &needed) || !image) return false;
  MODULEINFO info = {};
  if (!GetModuleInformation(process_, image, &info, sizeof info)) return false;
  start = reinterpret_cast<std::uintptr_t>(info.lpBaseOfDll);
  end = start + info.SizeOfImage;
  return true;
}
