#pragma once

#include <windows.h>

#include <commctrl.h>

#include "toolkit/method.h"

// The tool record of one element's tooltip, made by add and released by remove;
// the wide record of a Unicode tooltip, whose texts keep their Cyrillic letters.
using THintTool = TOOLINFOW;

// What a window element asks of a hint manager. Elements hold only this
// table, so that any manager can stand behind it.
struct THintOperations {
  TMethod<THintTool*(HWND window)> Add;
  TMethod<void(THintTool* tool)> Remove;
  TMethod<void(THintTool* tool, const char* text)> SetText;
  TMethod<void(THintTool* tool, int icon, const char* title)> SetTitle;
  TMethod<void(THintTool* tool)> TrackOn;
  TMethod<void(THintTool* tool)> TrackOff;
  // The pointer's position in the client area of the tool's window.
  TMethod<void(THintTool* tool, int x, int y)> TrackPos;
};
