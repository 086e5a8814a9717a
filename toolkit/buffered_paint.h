#pragma once

#include <windows.h>

#include "toolkit/control.h"

// Flicker-free painting: a buffer owner renders itself and every window under it
// into an off-screen bitmap and copies that to the screen in one pass.

// Makes the control a buffer owner (or not) and puts the buffered painting in
// front of every window of the process; that is never undone.
void SetDoubleBuffered(TControl* control, bool value);
// A transparent control paints no background of its own; its parent becomes a buffer owner.
void SetTransparent(TControl* control, bool value);
// The topmost object from the control up with DoubleBuffered set, or nil.
TControl* BufferOwner(TControl* control);

// The process-wide hooks installed by SetDoubleBuffered.
bool BufferedPaintHook(TControl* control, TMessage& msg, LRESULT& result);
void InvalidateBufferOwner(TControl* control);
void SubclassChildWindows(TControl* control);

// Renders the owner's window and its children into the off-screen bitmap and
// copies that to the screen.
void PaintThroughBuffer(TControl* owner);
// Draws the visible child windows of `parent`, each with its own children, into
// `dc`, whose origin stands for the screen point `area.left/top`; upper windows
// cover lower ones as on the screen.
void DrawChildWindows(HDC dc, const RECT& area, HWND parent);
// Whether a buffer of the given size serves a window of w x h: large enough and
// not more than 32 pixels too large in either direction.
bool BufferFits(int bufferWidth, int bufferHeight, int w, int h);
