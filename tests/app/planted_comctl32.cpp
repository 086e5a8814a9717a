// A DLL named comctl32.dll, left beside the program as a planted-DLL attack
// leaves it: it offers the call a program imports from the real one and, once
// loaded, leaves a mark file beside itself (its own path with ".loaded").
#include <windows.h>

extern "C" __declspec(dllexport) void InitCommonControls() {}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, void*) {
  if (reason != DLL_PROCESS_ATTACH) return TRUE;
  char path[MAX_PATH + 8] = {};
  const DWORD length = GetModuleFileNameA(instance, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return TRUE;
  lstrcatA(path, ".loaded");
  HANDLE mark = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (mark != INVALID_HANDLE_VALUE) CloseHandle(mark);
  return TRUE;
}
