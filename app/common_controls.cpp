#include "app/common_controls.h"

#include <commctrl.h>

HMODULE CommonControlsLibrary = nullptr;

void InitCommonControlLibrary(DWORD flags) {
  InitCommonControls();
  if (!CommonControlsLibrary) CommonControlsLibrary = LoadLibraryA("comctl32.dll");
  if (!CommonControlsLibrary) return;
  using TInitEx = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
  // GetProcAddress hands back a generic pointer; the cast through void keeps
  // the compiler from judging the two function types.
  const auto initEx = reinterpret_cast<TInitEx>(
      reinterpret_cast<void*>(GetProcAddress(CommonControlsLibrary, "InitCommonControlsEx")));
  if (!initEx) return;
  INITCOMMONCONTROLSEX classes = {};
  classes.dwSize = sizeof classes;
  classes.dwICC = flags;
  initEx(&classes);
}
