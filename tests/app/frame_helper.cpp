// A program on the process frame that misbehaves on request. Its first
// parameter names what to do. It runs the shipped program's module steps, with
// a step of its own in place of the schema's: its finaliser writes a line so
// that a test can see that the finalisers ran before the output was shown.
#include <windows.h>

#include <cstddef>
#include <cstring>
#include <string_view>

#include "app/command_line.h"
#include "app/process_frame.h"
#include "app/program_body.h"
#include "app/run_error.h"
#include "toolkit/control.h"
#include "toolkit/memory.h"
#include "toolkit/run_loop.h"

namespace {

void WriteFinalisedLine() { WriteOutput("modules finalised\r\n"); }

constinit const TModuleStep Steps[7] = {
    ComswitchModuleSteps[0],        ComswitchModuleSteps[1], ComswitchModuleSteps[2],
    ComswitchModuleSteps[3],        ComswitchModuleSteps[4], ComswitchModuleSteps[5],
    {nullptr, &WriteFinalisedLine},
};

volatile int* volatile NowhereToWrite = nullptr;
volatile int Zero = 0;
volatile std::size_t HugeSize = ~std::size_t(0) / 2;
char* volatile Kept = nullptr;

// The faults and the body stay functions of their own, so that the report's
// walk has the helper's frames to find: optimised across files, the whole
// helper could otherwise fold into its entry point, whose caller is the system.
[[gnu::noinline]] void AccessViolation() { *NowhereToWrite = 1; }

[[gnu::noinline]] int DivisionByZero() { return 1000 / Zero; }

[[gnu::noinline]] void RaiseFromHelper() { RaiseRunError(); }

void HeapOverflow() { Kept = new char[HugeSize]; }

void ToolkitHeapOverflow() { Kept = static_cast<char*>(ZeroAlloc(HugeSize)); }

// The program's work runs inside window procedures called by the message
// loop, or called back from CreateWindowEx and DestroyWindow: a fault there
// must reach the report too, not be swallowed on the way.
UINT FaultingMessage = WM_APP;

LRESULT CALLBACK FaultingWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == FaultingMessage) AccessViolation();
  return DefWindowProcA(window, message, wParam, lParam);
}

void FaultInWindowProcedure(UINT message) {
  FaultingMessage = message;
  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = &FaultingWindowProc;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.lpszClassName = "FrameHelperWindow";
  RegisterClassA(&windowClass);
  HWND window = CreateWindowExA(0, windowClass.lpszClassName, "", WS_OVERLAPPED, 0, 0, 10, 10,
                                nullptr, nullptr, windowClass.hInstance, nullptr);
  if (message == WM_NCDESTROY) DestroyWindow(window);
  PostMessageA(window, WM_APP, 0, 0);
  MSG queued;
  while (GetMessageA(&queued, nullptr, 0, 0) > 0) DispatchMessageA(&queued);
}

volatile bool KeepGoing = true;

int Recurse(int depth) {
  volatile char padding[4096];
  padding[0] = static_cast<char>(depth);
  return (KeepGoing ? Recurse(depth + 1) : 0) + padding[0];
}

DWORD WINAPI RecurseOnThread(void*) { return static_cast<DWORD>(Recurse(0)); }

// A thread of the program's own has no stack kept back for the error path.
void OverflowOnAnotherThread() {
  HANDLE thread = CreateThread(nullptr, 0, &RecurseOnThread, nullptr, 0, nullptr);
  if (thread) WaitForSingleObject(thread, INFINITE);
}

void WriteLongText() {
  static char text[1500];
  std::memset(text, 'x', sizeof text);
  WriteOutput({text, sizeof text});
}

// The command tail WinMain was given by the entry point.
const char* CommandTail = "";

void EchoParameters() {
  for (int index = 0; index < 4; ++index) {
    WriteOutput(CommandLineParam(index).View());
    WriteOutput("|");
  }
  WriteOutput("\r\n");
  WriteOutput(CommandTail);
  WriteOutput("\r\n");
}

// The session ends while a form is up: the process must leave at once, through
// the finalisers, with exit code 0.
void LogOff() {
  AppWindow = NewApplet("Helper");
  TControl* form = NewForm(AppWindow, "Form");
  form->GetWindowHandle();
  SendMessageA(form->Handle, WM_ENDSESSION, TRUE, 0);
  WriteOutput("still running after the log-off\r\n");
}

[[gnu::noinline]] void Body() {
  const TText mode = CommandLineParam(1);
  if (mode == "exit") WriteOutput("hello\r\n");
  if (mode == "full") WriteLongText();
  if (mode == "breaks") WriteOutput("first\r\n\r\n");
  if (mode == "breaks") WriteOutput("second\r\n");
  if (mode == "echo") EchoParameters();
  if (mode == "av") AccessViolation();
  if (mode == "wndproc") FaultInWindowProcedure(WM_APP);
  if (mode == "wmcreate") FaultInWindowProcedure(WM_CREATE);
  if (mode == "wmncdestroy") FaultInWindowProcedure(WM_NCDESTROY);
  if (mode == "div0") WriteOutput(DivisionByZero() ? "" : "no fault\r\n");
  if (mode == "raise") RaiseFromHelper();
  if (mode == "oom") HeapOverflow();
  if (mode == "objoom") ToolkitHeapOverflow();
  if (mode == "overflow") WriteOutput(Recurse(0) ? "" : "no fault\r\n");
  if (mode == "threadoverflow") OverflowOnAnotherThread();
  if (mode == "halt") HaltProcess(3);
  if (mode == "logoff") LogOff();
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandTail, int) {
  CommandTail = commandTail;
  static TModuleTable modules(Steps);
  RunProcess(modules, &Body);
}
