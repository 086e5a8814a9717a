// comswitch: a tool window that opens COM3, sends "A" and "B" and switches the
// RTS and DTR lines.
#include <windows.h>

#include "app/process_frame.h"
#include "app/program_body.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  static TModuleTable modules(ComswitchModuleSteps);
  RunProcess(modules, &ProgramBody);
}
