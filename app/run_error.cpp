#include "app/run_error.h"

#include "app/process_frame.h"
#include "app/stack_walk.h"
#include "app/system_library.h"
#include "runtime/out_of_memory.h"
#include "toolkit/memory.h"

namespace {

// Stack kept back on the main thread for the error path when the stack
// overflows: enough for the exception dispatch and starting a thread.
constexpr ULONG kStackGuarantee = 64 * 1024;
constexpr SIZE_T kReporterStackSize = 256 * 1024;

void CaptureFaultSite(const EXCEPTION_POINTERS& fault, const TStackBounds& stack,
                      TRunErrorSite& site) {
  const EXCEPTION_RECORD& record = *fault.ExceptionRecord;
  site.Number = RunErrorNumberFor(record.ExceptionCode);
  site.Address = reinterpret_cast<std::uintptr_t>(record.ExceptionAddress);
  site.FrameCount = WalkCallerFrames(*fault.ContextRecord, site.Frames, stack);
}

const EXCEPTION_POINTERS* OverflowFault = nullptr;
TStackBounds OverflowStack = {};

DWORD WINAPI ReportOverflow(void*) {
  TRunErrorSite site;
  CaptureFaultSite(*OverflowFault, OverflowStack, site);
  HaltWithRunError(site);
}

// The overflowing thread has almost no stack left: it only starts a fresh
// thread, which walks the overflowing stack from outside and takes the exit
// path (window calls among it); this one waits to be ended with the process.
[[noreturn]] void HaltFromExhaustedStack(const EXCEPTION_POINTERS& fault) {
  OverflowFault = &fault;
  OverflowStack = CurrentStackBounds();
  HANDLE reporter = CreateThread(nullptr, kReporterStackSize, &ReportOverflow, nullptr, 0, nullptr);
  if (!reporter) ExitProcess(kRunErrorStackOverflow);
  WaitForSingleObject(reporter, INFINITE);
  ExitProcess(kRunErrorStackOverflow);
}

LONG WINAPI RunErrorFilter(EXCEPTION_POINTERS* fault) {
  const EXCEPTION_RECORD& record = *fault->ExceptionRecord;
  if (record.ExceptionCode == EXCEPTION_STACK_OVERFLOW) HaltFromExhaustedStack(*fault);
  if (record.ExceptionCode == kRunErrorExceptionCode && record.NumberParameters == 1) {
    HaltWithRunError(*reinterpret_cast<const TRunErrorSite*>(record.ExceptionInformation[0]));
  }
  TRunErrorSite site;
  CaptureFaultSite(*fault, CurrentStackBounds(), site);
  HaltWithRunError(site);
}

// Whether an address lies in the program's own image (the executable, with
// the C++ library linked into it).
bool InOwnImage(const void* address) {
  const auto base = reinterpret_cast<const BYTE*>(GetModuleHandleA(nullptr));
  const auto& dos = *reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  const auto& headers = *reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos.e_lfanew);
  const auto at = static_cast<const BYTE*>(address);
  return at >= base && at < base + headers.OptionalHeader.SizeOfImage;
}

// A fault in the program's own code, or an error it raised, ends the program
// wherever it happens: nothing in the program handles one, so the filter
// would have the last word anyway. Taken first, it is not swallowed where a
// system catches faults in the window procedures it calls back (WM_CREATE,
// WM_NCDESTROY...): Wine does, and so do 64-bit Windows and WOW64 without the
// manifest's compatibility list and the switch below. The debugger's own
// exceptions pass.
LONG WINAPI OwnFaultHandler(EXCEPTION_POINTERS* fault) {
  const EXCEPTION_RECORD& record = *fault->ExceptionRecord;
  if (record.ExceptionCode == EXCEPTION_BREAKPOINT || record.ExceptionCode == EXCEPTION_SINGLE_STEP)
    return EXCEPTION_CONTINUE_SEARCH;
  if (record.ExceptionCode != kRunErrorExceptionCode && !InOwnImage(record.ExceptionAddress))
    return EXCEPTION_CONTINUE_SEARCH;
  return RunErrorFilter(fault);
}

void RaiseHeapOverflow() { RaiseRunError(kRunErrorHeapOverflow); }

// 64-bit Windows and WOW64 may swallow a fault raised in a window procedure
// that the kernel called back (WM_CREATE, WM_NCDESTROY, WM_WINDOWPOSCHANGING
// and the like): the program would go on with half-updated objects. Where
// kernel32 has the switch (Windows 7 SP1, Vista SP2 and 2008 with the update
// that brought it) it is turned off, so that such a fault reaches the filter
// like any other. The manifest's compatibility section turns the system's own
// mitigation off on later versions. Wine 8 has no switch and swallows such
// faults itself; there the vectored handler above is what reaches the filter.
void KeepFaultsInKernelCallbacks() {
  using TGetPolicy = BOOL(WINAPI*)(DWORD*);
  using TSetPolicy = BOOL(WINAPI*)(DWORD);
  constexpr DWORD kCallbackFilterEnabled = 0x1;  // PROCESS_CALLBACK_FILTER_ENABLED
  const auto getPolicy = LookUpKernelFunction<TGetPolicy>("GetProcessUserModeExceptionPolicy");
  const auto setPolicy = LookUpKernelFunction<TSetPolicy>("SetProcessUserModeExceptionPolicy");
  DWORD policy = 0;
  if (getPolicy && setPolicy && getPolicy(&policy)) setPolicy(policy & ~kCallbackFilterEnabled);
}

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
  const TStackBounds stack = CurrentStackBounds();
#if defined(_M_X64) || defined(__x86_64__)
  CONTEXT context;
  RtlCaptureContext(&context);
  UnwindOneFrame(context, stack);
  site.Address = context.Rip;
#else
  // Taking the frame address gives this function a frame of its own to start from.
  const std::uintptr_t* frame = static_cast<const std::uintptr_t*>(__builtin_frame_address(0));
  site.Address = frame[1];
  CONTEXT context = {};
  context.Ebp = static_cast<DWORD>(frame[0]);
#endif
  site.FrameCount = WalkCallerFrames(context, site.Frames, stack);
  const ULONG_PTR argument = reinterpret_cast<ULONG_PTR>(&site);
  RaiseException(kRunErrorExceptionCode, EXCEPTION_NONCONTINUABLE, 1, &argument);
  // Only a handler that resumes a non-continuable exception gets here.
  HaltWithRunError(site);
}

void InstallRunErrorHandler() {
  ULONG guarantee = kStackGuarantee;
  SetThreadStackGuarantee(&guarantee);
  SetUnhandledExceptionFilter(&RunErrorFilter);
  AddVectoredExceptionHandler(1, &OwnFaultHandler);
  KeepFaultsInKernelCallbacks();
  OutOfMemoryHandler = &RaiseHeapOverflow;
  ToolkitOutOfMemory = &RaiseHeapOverflow;
}
