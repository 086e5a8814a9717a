// The program's entry point, in place of the C run-time's start-up code.
//
// That code brings several kilobytes the program never uses: the fixer of
// pseudo-relocations (the program has none: its link refuses them),
// thread-local storage callbacks, argument vectors, a console check. What the
// program does need of it is done here: a clean floating-point unit, the
// static constructors run in order, and WinMain called as the start-up code
// calls it. The C library (msvcrt.dll) initialises itself when it is loaded,
// before this runs.
//
// What runs at the end: WinMain runs the process frame, which never returns.
// Every exit, normal or through a run-time error, goes through the frame's
// module finalisers, the report and the output box, then ExitProcess. The
// program never calls `exit`, so the static destructors it registered are not
// run by it; tear-down is the finalisers' work. The C run-time's other
// start-up tables (C and C++ initialisers, thread-local storage callbacks) are
// not run at all; the footprint check keeps them empty.
#include <windows.h>

#include <cstdlib>

extern "C" {

// The compiler's own routine that runs the static constructors, last to first,
// and registers the destructors' runner with `atexit`.
void __main();

// Static destructors are handed to the C library's own exit table, which only
// `exit` and its like would run: the program ends through ExitProcess instead.
int atexit(void (*function)()) { return _onexit(reinterpret_cast<_onexit_t>(function)) ? 0 : -1; }

}  // extern "C"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int);

namespace {

// The command tail WinMain receives: the command line after the program's
// name (quoted or not) and the blanks that follow it.
LPSTR CommandTail() {
  LPSTR at = GetCommandLineA();
  if (*at == '"') {
    ++at;
    while (*at && *at != '"') ++at;
    if (*at == '"') ++at;
  } else {
    while (static_cast<unsigned char>(*at) > ' ') ++at;
  }
  while (*at == ' ' || *at == '\t') ++at;
  return at;
}

int StartupShowCommand() {
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  GetStartupInfoA(&startup);
  return (startup.dwFlags & STARTF_USESHOWWINDOW) ? startup.wShowWindow : SW_SHOWDEFAULT;
}

}  // namespace

extern "C" {
#if defined(__i386__)
// Windows promises the entry point no more than 4-byte stack alignment.
__attribute__((force_align_arg_pointer))
#endif
void ProgramEntry() {
  // The floating-point unit in its reset state, as the run-time's start-up leaves it.
  asm volatile("fninit");
  __main();
  // Reached only by a WinMain that returns, which no program on the frame has.
  std::exit(WinMain(GetModuleHandleA(nullptr), nullptr, CommandTail(), StartupShowCommand()));
}

}  // extern "C"
