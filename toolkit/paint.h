#pragma once

#include <windows.h>

#include <cstdint>

#include "toolkit/control.h"

// The least of painting that window creation and dispatch rely on.

// A colour value with the top bit set names a system colour by its low byte.
COLORREF ColorToRGB(std::uint32_t color);
// The cached solid brush of the control's Color, shared with the parent while
// their colours are equal.
HBRUSH BrushHandle(TControl* control);
// Marks the whole window for repainting, background included.
void Invalidate(TControl* control);
// Gives the control's font to its window; does nothing until a font tool exists.
void ApplyFont(TControl* control);
// Attached to every form: child windows exist before the first paint, and the
// background is filled with the form's colour.
bool EraseBackgroundHandler(TControl* control, TMessage& msg, LRESULT& result);

// Called after a control was invalidated; the double-buffering code replaces it.
extern TControlProc RepaintHook;
// Hands a control's font tool to its window; installed by the font code, which
// owns the tool's handle.
extern TControlProc FontApplyHook;
