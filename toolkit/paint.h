#pragma once

#include <windows.h>

#include <cstdint>

#include "toolkit/control.h"
#include "toolkit/graphic_tool.h"

// Colours, brushes, fonts and the paint event of a control.

// A colour value with the top bit set names a system colour by its low byte.
COLORREF ColorToRGB(std::uint32_t color);
// The cached solid brush of the control's Color, shared with the parent while
// their colours are equal, rebuilt when the RGB behind the colour changed.
HBRUSH BrushHandle(TControl* control);
// Marks the whole window for repainting, background included.
void Invalidate(TControl* control);
// Gives the control's font to its window; does nothing without a font tool.
void ApplyFont(TControl* control);
// The control's font tool, made on first request in the control's text colour.
TGraphicTool* GetFont(TControl* control);

// Attached to every form: child windows exist before the first paint, and the
// background is filled with the form's colour.
bool EraseBackgroundHandler(TControl* control, TMessage& msg, LRESULT& result);
// Attached when OnPaint is set: the event draws into the DC of the message or of BeginPaint.
bool PaintHandler(TControl* control, TMessage& msg, LRESULT& result);

using TBrushProc = HBRUSH (*)(TControl* control);
// Where the background fill and the reflected colours get their brush.
extern TBrushProc BrushHook;
// Called after a control was invalidated; the double-buffering code replaces it.
extern TControlProc RepaintHook;
