#include "toolkit/run_loop.h"

#include <cstdlib>

namespace {
void RunTimeExit(unsigned exitCode) { std::exit(static_cast<int>(exitCode)); }
}  // namespace

TProgramExit ProgramExit = RunTimeExit;
TControl* AppWindow = nullptr;
bool AppRunning = false;
bool AppTerminated = false;

void RunApplication(TControl*& window) {
  AppRunning = true;
  AppWindow = window;
  window->CreateWindowHandle();
  while (!AppTerminated) {
    WaitMessage();
    PumpMessages(window);
  }
  if (window) TerminateApplication(window);
}

void PumpMessages(TControl* window) {
  while (PumpOneMessage(window)) {
  }
}

bool PumpOneMessage(TControl*) {
  MSG msg;
  // The toolkit's windows are Unicode windows: their typed characters come as UTF-16.
  if (!PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) return false;
  if (msg.message == WM_QUIT) {
    AppTerminated = true;
    return true;
  }
  TranslateMessage(&msg);
  DispatchMessageW(&msg);
  return msg.message != WM_NULL;
}

void TerminateApplication(TControl*& window) {
  const bool wasTerminated = AppTerminated;
  AppTerminated = true;
  AppRunning = false;
  TControl* app = AppWindow;
  AppWindow = nullptr;
  if (!app) return;
  app->AddRef();
  if (!wasTerminated) {
    PumpMessages(app);
    SendMessageA(app->GetWindowHandle(), WM_CLOSE, 0, 0);
  }
  window = nullptr;
  // The object goes at whichever of the two drops the last reference.
  Free(app);
  app->Release();
}
