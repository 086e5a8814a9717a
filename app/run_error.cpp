#include "app/run_error.h"

#include "app/process_frame.h"
#include "app/stack_walk.h"
#include "runtime/out_of_memory.h"
#include "toolkit/memory.h"

namespace {

// Stack kept back for the error path when the stack overflows: enough to
// capture the frames and start the thread that writes the report.
constexpr ULONG kStackGuarantee = 64 * 1024;

TRunErrorSite OverflowSite;

DWORD WINAPI ReportOverflow(void*) { HaltWithRunError(OverflowSite); }

// The overflowing thread has too little stack left for the exit path (window
// calls among it), so a fresh thread takes it; this one waits to be ended.
[[noreturn]] void HaltFromExhaustedStack(const TRunErrorSite& site) {
  OverflowSite = site;
  HANDLE reporter = CreateThread(nullptr, 256 * 1024, &ReportOverflow, nullptr, 0, nullptr);
  if (!reporter) ExitProcess(site.Number);
  WaitForSingleObject(reporter, INFINITE);
  ExitProcess(site.Number);
}

void CaptureFaultSite(const EXCEPTION_POINTERS& fault, TRunErrorSite& site) {
  const EXCEPTION_RECORD& record = *fault.ExceptionRecord;
  site.Number = RunErrorNumberFor(record.ExceptionCode);
  site.Address = reinterpret_cast<std::uintptr_t>(record.ExceptionAddress);
  site.FrameCount = WalkCallerFrames(*fault.ContextRecord, site.Frames);
}

LONG WINAPI RunErrorFilter(EXCEPTION_POINTERS* fault) {
  const EXCEPTION_RECORD& record = *fault->ExceptionRecord;
  if (record.ExceptionCode == kRunErrorExceptionCode && record.NumberParameters == 1) {
    HaltWithRunError(*reinterpret_cast<const TRunErrorSite*>(record.ExceptionInformation[0]));
  }
  TRunErrorSite site;
  CaptureFaultSite(*fault, site);
  if (record.ExceptionCode == EXCEPTION_STACK_OVERFLOW) HaltFromExhaustedStack(site);
  HaltWithRunError(site);
}

void RaiseHeapOverflow() { RaiseRunError(kRunErrorHeapOverflow); }

}  // namespace

unsigned RunErrorNumberFor(DWORD exceptionCode) {
  switch (exceptionCode) {
    case EXCEPTION_ACCESS_VIOLATION: return kRunErrorAccessViolation;
    case EXCEPTION_ILLEGAL_INSTRUCTION: return kRunErrorAccessViolation;
    case EXCEPTION_INT_DIVIDE_BY_ZERO: return kRunErrorDivisionByZero;
    case EXCEPTION_FLT_DIVIDE_BY_ZERO: return kRunErrorDivisionByZero;
    case EXCEPTION_INT_OVERFLOW: return kRunErrorIntegerOverflow;
    case EXCEPTION_ARRAY_BOUNDS_EXCEEDED: return kRunErrorRangeCheck;
    case EXCEPTION_STACK_OVERFLOW: return kRunErrorStackOverflow;
    case EXCEPTION_FLT_OVERFLOW: return kRunErrorFloatOverflow;
    case EXCEPTION_FLT_UNDERFLOW: return kRunErrorFloatUnderflow;
    case EXCEPTION_FLT_DENORMAL_OPERAND: return kRunErrorFloatUnderflow;
    case EXCEPTION_FLT_INEXACT_RESULT: return kRunErrorInvalidFloat;
    case EXCEPTION_FLT_INVALID_OPERATION: return kRunErrorInvalidFloat;
    case EXCEPTION_FLT_STACK_CHECK: return kRunErrorInvalidFloat;
    case EXCEPTION_PRIV_INSTRUCTION: return kRunErrorPrivilegedInstruction;
    case CONTROL_C_EXIT: return kRunErrorRaised;
    case DBG_CONTROL_C: return kRunErrorRaised;
    default: return kRunErrorUnknown;
  }
}

// Kept out of line: its own return address is the address the error is
// reported at.
__attribute__((noinline)) void RaiseRunError(unsigned number) {
  TRunErrorSite site;
  site.Number = number;
#if defined(_M_X64) || defined(__x86_64__)
  CONTEXT context;
  RtlCaptureContext(&context);
  UnwindOneFrame(context);
  site.Address = context.Rip;
#else
  // Taking the frame address gives this function a frame of its own to start from.
  const std::uintptr_t* frame = static_cast<const std::uintptr_t*>(__builtin_frame_address(0));
  site.Address = frame[1];
  CONTEXT context = {};
  context.Ebp = static_cast<DWORD>(frame[0]);
#endif
  site.FrameCount = WalkCallerFrames(context, site.Frames);
  const ULONG_PTR argument = reinterpret_cast<ULONG_PTR>(&site);
  RaiseException(kRunErrorExceptionCode, EXCEPTION_NONCONTINUABLE, 1, &argument);
  // Only a handler that resumes a non-continuable exception gets here.
  HaltWithRunError(site);
}

void InstallRunErrorHandler() {
  ULONG guarantee = kStackGuarantee;
  SetThreadStackGuarantee(&guarantee);
  SetUnhandledExceptionFilter(&RunErrorFilter);
  OutOfMemoryHandler = &RaiseHeapOverflow;
  ToolkitOutOfMemory = &RaiseHeapOverflow;
}
