#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

#include "app/error_report_text.h"

// Run-time error numbers, which are also the exit codes of a program ended by
// an error.
inline constexpr unsigned kRunErrorDivisionByZero = 200;
inline constexpr unsigned kRunErrorRangeCheck = 201;
inline constexpr unsigned kRunErrorStackOverflow = 202;
inline constexpr unsigned kRunErrorHeapOverflow = 203;
inline constexpr unsigned kRunErrorFloatOverflow = 205;
inline constexpr unsigned kRunErrorFloatUnderflow = 206;
inline constexpr unsigned kRunErrorInvalidFloat = 207;
inline constexpr unsigned kRunErrorIntegerOverflow = 215;
inline constexpr unsigned kRunErrorAccessViolation = 216;
inline constexpr unsigned kRunErrorRaised = 217;
inline constexpr unsigned kRunErrorPrivilegedInstruction = 218;
inline constexpr unsigned kRunErrorUnknown = 255;

// The platform exception that carries an error the program raised itself.
inline constexpr DWORD kRunErrorExceptionCode = 0xE0525445;

// Where an error arose: its number, the faulting (or raising) address and the
// caller frames above it.
struct TRunErrorSite {
  unsigned Number = 0;
  std::uintptr_t Address = 0;
  std::size_t FrameCount = 0;
  std::uintptr_t Frames[kMaxReportFrames] = {};
};

// The error number a platform exception stands for.
unsigned RunErrorNumberFor(DWORD exceptionCode);

// Raises a run-time error at the caller's address. Nothing in the program
// handles it, so the program ends through the error report with `number` as
// its exit code.
[[noreturn]] void RaiseRunError(unsigned number = kRunErrorRaised);

// Makes every unhandled platform exception, on any thread, end the program
// through the error report, and running out of memory a heap-overflow error.
void InstallRunErrorHandler();
