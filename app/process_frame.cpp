#include "app/process_frame.h"

#include <windows.h>

#include <atomic>

#include "app/error_report_text.h"
#include "app/output_buffer.h"
#include "app/run_error.h"
#include "toolkit/run_loop.h"

namespace {

void ShowOutput(const char* text, std::size_t) { MessageBoxA(nullptr, text, "Error", MB_OK); }

TOutputBuffer<&ShowOutput> StandardOutput;

TModuleTable* ActiveModules = nullptr;

bool ErrorPending = false;
TRunErrorSite PendingError;

// The thread that leaves the process. An error raised on it while leaving comes
// back here and carries on; any other thread that tries to leave meanwhile
// waits for the process to end.
std::atomic<DWORD> LeavingThread{0};
bool ReportWritten = false;

void ClaimExitPath() {
  const DWORD self = GetCurrentThreadId();
  DWORD expected = 0;
  if (LeavingThread.compare_exchange_strong(expected, self) || expected == self) return;
  for (;;) Sleep(INFINITE);
}

void WritePendingReport() {
  char text[kReportCapacity];
  const std::string_view report =
      FormatRunErrorReport(text, PendingError.Number, PendingError.Address,
                           {PendingError.Frames, PendingError.FrameCount});
  // The report is shown as one box: text written before it goes first.
  if (StandardOutput.Room() < report.size()) StandardOutput.Flush();
  StandardOutput.Write(report);
}

}  // namespace

void RunProcess(TModuleTable& modules, void (*body)()) {
  ActiveModules = &modules;
  // A log-off seen by the window toolkit leaves through this same path.
  ProgramExit = &HaltProcess;
  modules.Initialise();
  body();
  HaltProcess(0);
}

void HaltProcess(unsigned exitCode) {
  ClaimExitPath();
  if (ActiveModules) ActiveModules->Finalise();
  if (ErrorPending) {
    exitCode = PendingError.Number;
    // An error raised while the report is being shown must not report again.
    if (ReportWritten) ExitProcess(exitCode);
    ReportWritten = true;
    WritePendingReport();
  }
  FlushOutput();
  ExitProcess(exitCode);
}

void HaltWithRunError(const TRunErrorSite& site) {
  ClaimExitPath();
  if (!ErrorPending) {
    PendingError = site;
    ErrorPending = true;
  }
  HaltProcess(site.Number);
}

void WriteOutput(std::string_view text) { StandardOutput.Write(text); }

void FlushOutput() { StandardOutput.Flush(); }
