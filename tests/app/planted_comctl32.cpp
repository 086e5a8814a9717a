// A comctl32.dll planted beside a program: it offers the call a program
// imports from the real one and, once loaded, leaves a mark file beside itself.
#include <windows.h>

extern "C" __declspec(dllexport) void InitCommonControls() {}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, void*) {
  char path[MAX_PATH + 8] = {};
  if (reason == DLL_PROCESS_ATTACH && GetModuleFileNameA(instance, path, MAX_PATH) < MAX_PATH) {
    CloseHandle(CreateFileA(lstrcatA(path, ".loaded"), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0,
                            nullptr));
  }
  return TRUE;
}
