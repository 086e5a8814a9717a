// The program's benchmarks, under Wine on the test world's null-modem. The
// program is measured side by side with its two baselines (bench/
// switch_baseline.cpp): the design baseline, which does the same job with what
// the program's design asks for, and the plain one, which just does the job.
// Runs alternate between the three; medians are reported with their ratios.
//
//   program_bench [--quick]          times, memory, size, write throughput
//   program_bench --count TRACEFILE  wine-server requests per start and per click
//   --program PATH                   measures that build of comswitch instead
//
// --quick runs every measurement a few times only, so that the test suite can
// keep the benchmarks working without judging their timings. --count needs a
// wine server that traces (wineserver -f -d1, its standard error in TRACEFILE,
// given as a Windows path); times taken under such a server mean nothing, so
// that mode only counts.
#include <windows.h>
// After windows.h, whose types they use.
#include <psapi.h>
#include <tlhelp32.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "../tests/elements/serial/peer_port.h"
#include "baseline_port.h"
#include "elements/serial/com_async.h"

namespace {

const std::string kOn = "\xC2\xEA\xEB";
bool Quick = false;

struct TProgram {
  const char* name;
  const char* path;
  const char* formClass;
};

// The program first, then the baseline its targets are set against.
TProgram kPrograms[] = {
    {"comswitch", PROGRAM_PATH, "obj_Form"},
    {"design", DESIGN_SWITCH_PATH, "BaselineForm"},
    {"plain", PLAIN_SWITCH_PATH, "BaselineForm"},
};
constexpr int kProgramCount = 3;

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

void ReportHeader() {
  std::printf("%-30s %11s %11s %11s %9s %9s   %s\n", "figure", "comswitch", "design", "plain",
              "/design", "/plain", "target (unit)");
}

// One figure of the three programs; the ratios are the program's against each baseline.
void Report(const char* name, const char* unit, const double (&values)[kProgramCount],
            const char* target) {
  const double design = values[1] > 0 ? values[0] / values[1] : 0;
  const double plain = values[2] > 0 ? values[0] / values[2] : 0;
  std::printf("%-30s %11.1f %11.1f %11.1f %9.2f %9.2f   %s (%s)\n", name, values[0], values[1],
              values[2], design, plain, target, unit);
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
  explicit TRunning(const TProgram& program) : program_(program) {
    std::string commandLine = std::string("\"") + program.path + "\"";
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
    mainThread_ = info.dwThreadId;
  }
  ~TRunning() {
    if (!process_) return;
    if (window_) PostMessageA(window_, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(process_, 5000) != WAIT_OBJECT_0) TerminateProcess(process_, 99);
    CloseHandle(process_);
  }
  TRunning(const TRunning&) = delete;
  TRunning& operator=(const TRunning&) = delete;

  // Polls for the visible form, about every millisecond.
  HWND WaitForForm(double limitSeconds = 15) {
    const double deadline = Now() + limitSeconds;
    while (process_ && Now() < deadline) {
      TWindowSearch search{id_, program_.formClass, nullptr};
      EnumWindows(&MatchWindow, reinterpret_cast<LPARAM>(&search));
      if ((window_ = search.found)) return window_;
      Sleep(1);
    }
    return nullptr;
  }

  // The process's threads that exist now, with the first one even if it has ended.
  std::set<DWORD> Threads() const {
    std::set<DWORD> threads{mainThread_};
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return threads;
    THREADENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
      if (entry.th32OwnerProcessID == id_) threads.insert(entry.th32ThreadID);
    }
    CloseHandle(snapshot);
    return threads;
  }

  HANDLE Process() const { return process_; }

 private:
  const TProgram& program_;
  HANDLE process_ = nullptr;
  DWORD id_ = 0;
  DWORD mainThread_ = 0;
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

// Clicks "Open" and waits until it has enabled "Вкл", which it returns.
HWND OpenPort(HWND form) {
  HWND open = ChildByCaption(form, "Open");
  HWND on = ChildByCaption(form, kOn);
  if (!open || !on) return nullptr;
  PostMessageA(open, BM_CLICK, 0, 0);
  for (int i = 0; i < 2000 && !IsWindowEnabled(on); ++i) Sleep(1);
  return IsWindowEnabled(on) ? on : nullptr;
}

// Posts a click to the button and reads the byte at the far end: seconds, or a
// negative value when no byte came.
double ClickOnce(TPeerPort& peer, HWND button) {
  const double start = Now();
  PostMessageA(button, BM_CLICK, 0, 0);
  return peer.Read(1, 2000).size() == 1 ? Now() - start : -1;
}

// The order of the programs in round `round`: each leads in turn.
int Nth(int round, int i) { return (round + i) % kProgramCount; }

void StartToWindow() {
  const int rounds = Quick ? 1 : 11;
  std::vector<double> times[kProgramCount];
  for (int round = 0; round < rounds; ++round) {
    for (int i = 0; i < kProgramCount; ++i) {
      const int p = Nth(round, i);
      const double start = Now();
      TRunning running(kPrograms[p]);
      if (running.WaitForForm()) times[p].push_back((Now() - start) * 1000);
    }
  }
  double medians[kProgramCount];
  for (int p = 0; p < kProgramCount; ++p) medians[p] = Median(times[p]);
  Report("start to visible window", "ms, median", medians, "at most 1.2 x design");
}

double CpuSeconds(HANDLE process) {
  FILETIME created, exited, kernel, user;
  GetProcessTimes(process, &created, &exited, &kernel, &user);
  auto seconds = [](FILETIME t) {
    return (static_cast<double>(t.dwHighDateTime) * 4294967296.0 + t.dwLowDateTime) * 1e-7;
  };
  return seconds(kernel) + seconds(user);
}

double CommittedKilobytes(HANDLE process) {
  PROCESS_MEMORY_COUNTERS_EX counters = {};
  counters.cb = sizeof counters;
  GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                       sizeof counters);
  // Wine leaves the private-bytes counter at 0; the committed bytes stand in.
  const SIZE_T bytes = counters.PrivateUsage ? counters.PrivateUsage : counters.PagefileUsage;
  return static_cast<double>(bytes) / 1024;
}

// Clicks in rounds, each program in turn within a round; the committed memory is
// taken in each round once the port is open.
void ClickToByte() {
  // Short rounds, so that the machine's load changes little within one round.
  const int rounds = Quick ? 1 : 10, clicks = Quick ? 5 : 15;
  TPeerPort peer("COM4");
  std::vector<double> times[kProgramCount], memory[kProgramCount];
  int missing[kProgramCount] = {};
  for (int round = 0; round < rounds; ++round) {
    for (int i = 0; i < kProgramCount; ++i) {
      const int p = Nth(round, i);
      TRunning running(kPrograms[p]);
      HWND form = running.WaitForForm();
      HWND on = form ? OpenPort(form) : nullptr;
      missing[p] += clicks;
      if (!on) continue;
      peer.Drain(100);
      memory[p].push_back(CommittedKilobytes(running.Process()));
      for (int c = 0; c < clicks; ++c) {
        const double t = ClickOnce(peer, on);
        if (t < 0) continue;
        times[p].push_back(t * 1e6);
        --missing[p];
      }
    }
  }
  double click[kProgramCount], committed[kProgramCount];
  for (int p = 0; p < kProgramCount; ++p) {
    click[p] = Median(times[p]);
    committed[p] = Median(memory[p]);
    if (missing[p]) std::printf("%s: %d clicks sent no byte\n", kPrograms[p].name, missing[p]);
  }
  Report("click to byte", "us, median", click, "at most 1.2 x design");
  Report("committed memory, port open", "KB, median", committed, "at most 1.05 x design");
}

void Idle() {
  const DWORD quiet = Quick ? 1000 : 10000;
  TPeerPort peer("COM4");
  double cpu[kProgramCount] = {};
  for (int p = 0; p < kProgramCount; ++p) {
    TRunning running(kPrograms[p]);
    HWND form = running.WaitForForm();
    if (!form || !OpenPort(form)) continue;
    Sleep(500);
    const double before = CpuSeconds(running.Process());
    Sleep(quiet);
    cpu[p] = (CpuSeconds(running.Process()) - before) * 1000 * 10000 / quiet;
  }
  Report("idle CPU, port open", "ms CPU per 10 s", cpu, "nothing measurable");
}

double FileBytes(const char* path) {
  WIN32_FILE_ATTRIBUTE_DATA data = {};
  if (!GetFileAttributesExA(path, GetFileExInfoStandard, &data)) return 0;
  return static_cast<double>(data.nFileSizeLow);
}

void Size() {
  double bytes[kProgramCount];
  for (int p = 0; p < kProgramCount; ++p) bytes[p] = FileBytes(kPrograms[p].path);
  Report("size of the exe", "bytes", bytes, "at most 65,536 B");
}

// --- Wine-server requests, read from the trace of a server started with -d1.

// The trace as it grows; what was written between two offsets is read back.
class TServerTrace {
 public:
  explicit TServerTrace(const char* path)
      : file_(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                          OPEN_EXISTING, 0, nullptr)) {}
  ~TServerTrace() {
    if (IsOpen()) CloseHandle(file_);
  }
  TServerTrace(const TServerTrace&) = delete;
  TServerTrace& operator=(const TServerTrace&) = delete;

  bool IsOpen() const { return file_ != INVALID_HANDLE_VALUE; }

  LONGLONG End() const {
    LARGE_INTEGER size = {};
    GetFileSizeEx(file_, &size);
    return size.QuadPart;
  }

  // The request lines of the threads between two offsets, counted by request name.
  // A request reads "tid: name( fields )", its reply "tid: name() = status".
  std::map<std::string, int> Requests(LONGLONG from, LONGLONG to,
                                      const std::set<DWORD>& threads) const {
    std::map<std::string, int> counts;
    std::string text(static_cast<std::size_t>(to - from), '\0');
    LARGE_INTEGER at = {};
    at.QuadPart = from;
    SetFilePointerEx(file_, at, nullptr, FILE_BEGIN);
    DWORD got = 0;
    if (!ReadFile(file_, text.data(), static_cast<DWORD>(text.size()), &got, nullptr))
      return counts;
    text.resize(got);
    std::size_t line = 0;
    while (line < text.size()) {
      std::size_t next = text.find('\n', line);
      if (next == std::string::npos) next = text.size();
      unsigned thread = 0;
      char name[64] = {};
      char after = 0;
      if (std::sscanf(text.c_str() + line, "%x: %63[a-z_0-9](%c", &thread, name, &after) == 3 &&
          after == ' ' && threads.count(thread)) {
        ++counts[name];
      }
      line = next + 1;
    }
    return counts;
  }

 private:
  HANDLE file_;
};

int Total(const std::map<std::string, int>& counts) {
  int total = 0;
  for (const auto& [name, count] : counts) total += count;
  return total;
}

// The five most frequent request types, each as a count per `divisor` events.
std::string TopFive(const std::map<std::string, int>& counts, int divisor) {
  std::vector<std::pair<int, std::string>> sorted;
  for (const auto& [name, count] : counts) sorted.emplace_back(-count, name);
  std::sort(sorted.begin(), sorted.end());
  std::string text;
  char item[96];
  for (std::size_t i = 0; i < sorted.size() && i < 5; ++i) {
    std::snprintf(item, sizeof item, "%s%s %.1f", i ? ", " : "", sorted[i].second.c_str(),
                  -sorted[i].first / static_cast<double>(divisor));
    text += item;
  }
  return text;
}

void CountRequests(const char* tracePath) {
  TServerTrace trace(tracePath);
  if (!trace.IsOpen()) {
    std::printf("no server trace at %s\n", tracePath);
    return;
  }
  const int starts = Quick ? 1 : 3, clicks = Quick ? 5 : 100;
  TPeerPort peer("COM4");
  double perStart[kProgramCount], perClick[kProgramCount];
  std::string startTypes[kProgramCount], clickTypes[kProgramCount];
  for (int p = 0; p < kProgramCount; ++p) {
    std::vector<double> startCounts;
    std::map<std::string, int> startTotal;
    for (int s = 0; s < starts; ++s) {
      const LONGLONG from = trace.End();
      TRunning running(kPrograms[p]);
      if (!running.WaitForForm()) continue;
      // A start ends when the shown window has been painted and the program
      // waits for input: up to the window alone, the count would depend on how
      // soon it was seen.
      WaitForInputIdle(running.Process(), 5000);
      Sleep(500);
      const auto counts = trace.Requests(from, trace.End(), running.Threads());
      startCounts.push_back(Total(counts));
      for (const auto& [name, count] : counts) startTotal[name] += count;
    }
    perStart[p] = Median(startCounts);
    startTypes[p] = TopFive(startTotal, std::max<int>(1, static_cast<int>(startCounts.size())));

    // The buttons are found before counting: reading another program's captions
    // makes that program answer WM_GETTEXT.
    TRunning running(kPrograms[p]);
    HWND form = running.WaitForForm();
    HWND on = form ? OpenPort(form) : nullptr;
    perClick[p] = 0;
    if (!on) continue;
    peer.Drain(200);
    const DWORD thread = GetWindowThreadProcessId(form, nullptr);
    const LONGLONG from = trace.End();
    int arrived = 0;
    for (int c = 0; c < clicks; ++c) arrived += ClickOnce(peer, on) >= 0;
    // What a click does after its byte has left is the click's too.
    Sleep(300);
    const auto counts = trace.Requests(from, trace.End(), {thread});
    if (arrived != clicks)
      std::printf("%s: %d clicks sent no byte\n", kPrograms[p].name, clicks - arrived);
    perClick[p] = Total(counts) / static_cast<double>(clicks);
    clickTypes[p] = TopFive(counts, clicks);
  }
  Report("server requests per start", "median", perStart, "-");
  Report("server requests per click", "mean", perClick, "at most 1.2 x design");
  for (int p = 0; p < kProgramCount; ++p) {
    std::printf("  %-9s start: %s\n  %-9s click: %s\n", kPrograms[p].name, startTypes[p].c_str(),
                "", clickTypes[p].c_str());
  }
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
  HANDLE handle = OpenBaselinePort();
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
    std::printf("%-30s %11.1f %11s %11.1f %9s %9.2f   at least 0.95 x plain loop (KB/s, median)\n",
                c.name, e, "", p, "", e / p);
  }
}

}  // namespace

int main(int argc, char** argv) {
  const char* trace = nullptr;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--quick") == 0) Quick = true;
    if (std::strcmp(argv[i], "--count") == 0 && i + 1 < argc) trace = argv[++i];
    if (std::strcmp(argv[i], "--program") == 0 && i + 1 < argc) kPrograms[0].path = argv[++i];
  }
  ReportHeader();
  if (trace) {
    CountRequests(trace);
    return 0;
  }
  Size();
  StartToWindow();
  ClickToByte();
  Idle();
  WriteThroughput();
  return 0;
}
