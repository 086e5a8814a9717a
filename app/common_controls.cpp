#include "app/common_controls.h"

#include <commctrl.h>

#include "app/system_library.h"

HMODULE CommonControlsLibrary = nullptr;

// comctl32 is neither imported nor asked for by its name alone: see
// LoadSystemLibrary. Both calls are looked up in the library loaded from the
// system folder.
void InitCommonControlLibrary(DWORD flags) {
  if (!CommonControlsLibrary) CommonControlsLibrary = LoadSystemLibrary("comctl32.dll");
  if (!CommonControlsLibrary) return;
  const auto init =
      LookUpFunction<decltype(&InitCommonControls)>(CommonControlsLibrary, "InitCommonControls");
  if (init) init();
  const auto initEx = LookUpFunction<decltype(&InitCommonControlsEx)>(CommonControlsLibrary,
                                                                      "InitCommonControlsEx");
  if (!initEx) return;
  INITCOMMONCONTROLSEX classes = {};
  classes.dwSize = sizeof classes;
  classes.dwICC = flags;
  initEx(&classes);
}
