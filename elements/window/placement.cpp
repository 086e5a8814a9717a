#include "elements/window/placement.h"

void CentreOnScreen(TControl* control) {
  // Left first, then top: each step reads the size the window has at that moment.
  control->SetPosition((GetSystemMetrics(SM_CXSCREEN) - control->Width()) / 2, control->Top());
  control->SetPosition(control->Left(), (GetSystemMetrics(SM_CYSCREEN) - control->Height()) / 2);
}

namespace {

struct WorkAreaSearch {
  RECT rect;
  bool found;
};

BOOL CALLBACK CheckMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM data) {
  auto* search = reinterpret_cast<WorkAreaSearch*>(data);
  MONITORINFO info{};
  info.cbSize = sizeof info;
  RECT common;
  if (GetMonitorInfoA(monitor, &info) && IntersectRect(&common, &info.rcWork, &search->rect)) {
    search->found = true;
    return FALSE;
  }
  return TRUE;
}

}  // namespace

bool LiesOnSomeWorkArea(const RECT& rect) {
  WorkAreaSearch search{rect, false};
  EnumDisplayMonitors(nullptr, nullptr, CheckMonitor, reinterpret_cast<LPARAM>(&search));
  return search.found;
}
