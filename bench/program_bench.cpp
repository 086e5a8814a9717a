// The program's benchmarks, under Wine on the test world's null-modem: each
// measures comswitch (or its serial element) and a minimal baseline side by
// side in the same run, alternating, and reports medians and their ratio.
//
//   program_bench [--quick]
//
// --quick runs every measurement a few times only, so that the test suite can
// keep the benchmarks working without judging their timings.
#include <windows.h>
// After windows.h, whose types it uses.
#include <psapi.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "../tests/elements/serial/peer_port.h"
#include "elements/serial/com_async.h"

namespace {

const std::string kOn = "\xC2\xEA\xEB";
bool Quick = false;

double Now() {
  static const double frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return static_cast<double>(f.QuadPart);
  }();
  LARGE_INTEGER t;
  QueryPerformanceCounter(&t);
  return static_cast<double>(t.QuadPart) / frequency;
}

double Median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const std::size_t middle = values.size() / 2;
  return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

void Report(const char* name, const char* unit, double program, double baseline, double ratio,
            const char* target) {
  std::printf("%-28s %12.3f %12.3f %8.3f   %s (%s)\n", name, program, baseline, ratio, target,
              unit);
}

struct TWindowSearch {
  DWORD processId;
  const char* className;
  HWND found;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM parameter) {
  auto& search = *reinterpret_cast<TWindowSearch*>(parameter);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  char name[64] = {};
  GetClassNameA(window, name, sizeof name);
  if (owner == search.processId && std::strcmp(name, search.className) == 0 &&
      IsWindowVisible(window)) {
    search.found = window;
    return FALSE;
  }
  return TRUE;
}

// A program under measurement; ended on every path.
class TRunning {
 public:
  explicit TRunning(const char* path) {
    std::string commandLine = std::string("\"") + path + "\"";
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
  ~TRunning() {
    if (!process_) return;
    if (window_) PostMessageA(window_, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(process_, 5000) != WAIT_OBJECT_0) TerminateProcess(process_, 99);
    CloseHandle(process_);
  }
  TRunning(const TRunning&) = delete;
  TRunning& operator=(const TRunning&) = delete;

  // Polls for the visible top-level window of the class, about every millisecond.
  HWND WaitForWindow(const char* className, double limitSeconds = 15) {
    const double deadline = Now() + limitSeconds;
    while (process_ && Now() < deadline) {
      TWindowSearch search{id_, className, nullptr};
      EnumWindows(&MatchWindow, reinterpret_cast<LPARAM>(&search));
      if ((window_ = search.found)) return window_;
      Sleep(1);
    }
    return nullptr;
  }

  HANDLE Process() const { return process_; }

 private:
  HANDLE process_ = nullptr;
  DWORD id_ = 0;
  HWND window_ = nullptr;
};

HWND ChildByCaption(HWND parent, const std::string& caption) {
  for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    char text[64] = {};
    GetWindowTextA(child, text, sizeof text);
    if (caption == text) return child;
  }
  return nullptr;
}

// Clicks "Open" and waits until it has enabled the first button.
HWND OpenPort(HWND form) {
  HWND open = ChildByCaption(form, "Open");
  HWND on = ChildByCaption(form, kOn);
  if (!open || !on) return nullptr;
  PostMessageA(open, BM_CLICK, 0, 0);
  for (int i = 0; i < 2000 && !IsWindowEnabled(on); ++i) Sleep(1);
  return IsWindowEnabled(on) ? on : nullptr;
}

void StartToWindow() {
  const int runs = Quick ? 2 : 21;
  std::vector<double> program, baseline;
  for (int i = 0; i < runs; ++i) {
    double start = Now();
    {
      TRunning running(PROGRAM_PATH);
      if (running.WaitForWindow("obj_Form")) program.push_back(Now() - start);
    }
    start = Now();
    {
      TRunning running(MINIMAL_WINDOW_PATH);
      if (running.WaitForWindow("MinimalWindow")) baseline.push_back(Now() - start);
    }
  }
  const double p = Median(program) * 1000, b = Median(baseline) * 1000;
  Report("start to window", "ms, median", p, b, p / b, "at most 1.1 x");
}

// One trigger, then the byte read at the far end: seconds, or a negative value.
double TimeOneByte(TPeerPort& peer, const std::function<void()>& trigger) {
  const double start = Now();
  trigger();
  return peer.Read(1, 2000).size() == 1 ? Now() - start : -1;
}

void ClickToByte() {
  const int clicks = Quick ? 5 : 200;
  TPeerPort peer("COM4");
  std::vector<double> program, baseline;
  {
    TRunning running(PROGRAM_PATH);
    HWND form = running.WaitForWindow("obj_Form");
    HWND on = form ? OpenPort(form) : nullptr;
    peer.Drain(100);
    for (int i = 0; on && i < clicks; ++i) {
      const double t = TimeOneByte(peer, [&] { PostMessageA(on, BM_CLICK, 0, 0); });
      if (t >= 0) program.push_back(t);
    }
  }
  {
    TRunning running(MINIMAL_WRITER_PATH);
    HWND window = running.WaitForWindow("MinimalWriter");
    peer.Drain(100);
    for (int i = 0; window && i < clicks; ++i) {
      const double t = TimeOneByte(peer, [&] { PostMessageA(window, WM_APP, 0, 0); });
      if (t >= 0) baseline.push_back(t);
    }
  }
  if (program.size() != static_cast<std::size_t>(clicks)) {
    std::printf("click to byte: only %zu of %d clicks arrived\n", program.size(), clicks);
  }
  const double p = Median(program) * 1e6, b = Median(baseline) * 1e6;
  Report("click to byte", "us, median", p, b, p / b, "at most 1.1 x");
}

double CpuSeconds(HANDLE process) {
  FILETIME created, exited, kernel, user;
  GetProcessTimes(process, &created, &exited, &kernel, &user);
  auto seconds = [](FILETIME t) {
    return (static_cast<double>(t.dwHighDateTime) * 4294967296.0 + t.dwLowDateTime) * 1e-7;
  };
  return seconds(kernel) + seconds(user);
}

double PrivateKilobytes(HANDLE process) {
  PROCESS_MEMORY_COUNTERS_EX counters = {};
  counters.cb = sizeof counters;
  GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                       sizeof counters);
  // Wine leaves the private-bytes counter at 0; the committed bytes stand in.
  const SIZE_T bytes = counters.PrivateUsage ? counters.PrivateUsage : counters.PagefileUsage;
  return static_cast<double>(bytes) / 1024;
}

void Idle() {
  const DWORD quiet = Quick ? 1000 : 10000;
  TPeerPort peer("COM4");
  double cpu = 0, programKb = 0, baselineKb = 0;
  {
    TRunning running(PROGRAM_PATH);
    HWND form = running.WaitForWindow("obj_Form");
    if (form && OpenPort(form)) {
      Sleep(500);
      const double before = CpuSeconds(running.Process());
      Sleep(quiet);
      cpu = CpuSeconds(running.Process()) - before;
      programKb = PrivateKilobytes(running.Process());
    }
  }
  {
    TRunning running(MINIMAL_WINDOW_PATH);
    if (running.WaitForWindow("MinimalWindow")) {
      Sleep(500);
      baselineKb = PrivateKilobytes(running.Process());
    }
  }
  Report("idle CPU, port open", "ms CPU per 10 s", cpu * 1000 * 10000 / quiet, 0, 0,
         "nothing measurable");
  Report("private bytes", "KB", programKb, baselineKb, programKb / baselineKb, "at most 1.2 x");
}

// The far end drains the line while the writes run, so that no queue fills.
class TDrain {
 public:
  explicit TDrain(TPeerPort& peer) : peer_(peer), thread_([this] { Run(); }) {}
  ~TDrain() {
    stop_ = true;
    thread_.join();
  }
  std::size_t Bytes() const { return bytes_; }

 private:
  void Run() {
    while (!stop_) bytes_ += peer_.Read(1 << 16, 20).size();
  }
  TPeerPort& peer_;
  std::atomic<bool> stop_{false};
  std::size_t bytes_ = 0;
  std::thread thread_;
};

void ConfigureLikeTheProgram(TWDComAsync& port) {
  port.Port = "COM3";
  port.Baud = 19200;
  port.DataBits = 3;
  port.InQueueSize = 4096;
  port.OutQueueSize = 4096;
  port.ReadIntervalTimeout = 0xFFFFFFFF;
  port.WriteTotalTimeoutConstant = 1000;
  port.WriteTotalTimeoutMultiplier = 100;
}

// Seconds for `count` writes of `text` through the element, and through a plain
// overlapped WriteFile loop on a handle of its own.
void TimeWrites(const std::string& text, int count, double& element, double& plain) {
  TPeerPort peer("COM4");
  TDrain drain(peer);
  {
    TWDComAsync port;
    ConfigureLikeTheProgram(port);
    TData none;
    port.doOpen(none, 0);
    TData value;
    MakeString(value, TText(std::string_view(text)));
    const double start = Now();
    for (int i = 0; i < count; ++i) {
      TData copy = value;
      port.doWrite(copy, 0);
    }
    element = Now() - start;
  }
  HANDLE handle = CreateFileA("\\\\.\\COM3", GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                              OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
  // The same line settings, queues and time-outs as the element's port, so that
  // only the element's own work differs.
  SetupComm(handle, 4096, 4096);
  DCB line = {};
  line.DCBlength = sizeof line;
  GetCommState(handle, &line);
  line.BaudRate = 19200;
  line.ByteSize = 8;
  line.Parity = NOPARITY;
  line.StopBits = ONESTOPBIT;
  line.fBinary = 1;
  SetCommState(handle, &line);
  COMMTIMEOUTS timeouts = {0xFFFFFFFF, 0, 0, 100, 1000};
  SetCommTimeouts(handle, &timeouts);
  HANDLE done = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  const double start = Now();
  for (int i = 0; i < count; ++i) {
    OVERLAPPED overlapped = {};
    overlapped.hEvent = done;
    DWORD written = 0;
    if (!WriteFile(handle, text.data(), static_cast<DWORD>(text.size()), &written, &overlapped) &&
        GetLastError() == ERROR_IO_PENDING) {
      GetOverlappedResult(handle, &overlapped, &written, TRUE);
    }
  }
  plain = Now() - start;
  CloseHandle(done);
  CloseHandle(handle);
}

void WriteThroughput() {
  struct TCase {
    const char* name;
    std::string text;
    int count;
  };
  const TCase cases[] = {
      {"doWrite, 1-byte writes", "A", Quick ? 50 : 2000},
      {"doWrite, one 64 KB text", std::string(65536, 'x'), 1},
  };
  for (const TCase& c : cases) {
    std::vector<double> element, plain;
    for (int run = 0; run < (Quick ? 1 : 7); ++run) {
      double e = 0, p = 0;
      TimeWrites(c.text, c.count, e, p);
      element.push_back(e);
      plain.push_back(p);
    }
    const double bytes = static_cast<double>(c.text.size()) * c.count;
    const double e = bytes / Median(element) / 1024, p = bytes / Median(plain) / 1024;
    Report(c.name, "KB/s, median", e, p, e / p, "at least 0.95 x");
  }
}

double FileKilobytes(const char* path) {
  WIN32_FILE_ATTRIBUTE_DATA data = {};
  if (!GetFileAttributesExA(path, GetFileExInfoStandard, &data)) return 0;
  return static_cast<double>(data.nFileSizeLow) / 1024;
}

void Size() {
  const double program = FileKilobytes(PROGRAM_PATH), baseline = FileKilobytes(MINIMAL_WINDOW_PATH);
  Report("size of comswitch.exe", "KB", program, baseline, program / baseline, "at most 64 KB");
}

}  // namespace

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) Quick = Quick || std::strcmp(argv[i], "--quick") == 0;
  std::printf("%-28s %12s %12s %8s   %s\n", "benchmark", "comswitch", "baseline", "ratio",
              "target");
  Size();
  StartToWindow();
  ClickToByte();
  Idle();
  WriteThroughput();
  return 0;
}
