#pragma once

#include <windows.h>

#include "toolkit/control.h"

// The window procedure registered for every toolkit class.
LRESULT CALLBACK GlobalWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
// The procedure put on foreign child windows of a double-buffered control.
LRESULT CALLBACK ChildSubclassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

// Where a subclassed foreign child keeps the procedure it had.
inline constexpr char kPrevProcProp[] = "PREV_PROC";

// Called first for every message of every object; the double-buffering code installs its own.
extern THandlerProc PreDispatchHook;
// The default of HandlerChain and KeyHandler.
bool NotHandled(TControl* control, TMessage& msg, LRESULT& result);

// Attaches a handler once; it runs in every later dispatch, newest first.
void AttachMessageHandler(TControl* control, THandlerProc handler, bool runDuringShutdown);
LRESULT CallDefaultProc(TControl* control, const TMessage& msg);

bool IsMainForm(TControl* control);
bool IsEnabled(TControl* control);
bool IsVisible(TControl* control);
void FocusControl(TControl* control);

// Handlers the toolkit attaches.
bool AppletHandler(TControl* control, TMessage& msg, LRESULT& result);
bool FormHandler(TControl* control, TMessage& msg, LRESULT& result);
bool ControlDefaultHandler(TControl* control, TMessage& msg, LRESULT& result);
bool ShowHideHandler(TControl* control, TMessage& msg, LRESULT& result);
bool ResizeHandler(TControl* control, TMessage& msg, LRESULT& result);
bool MouseHandler(TControl* control, TMessage& msg, LRESULT& result);
bool KeyDispatcher(TControl* control, TMessage& msg, LRESULT& result);

// WM_SHOWWINDOW reaching a control's WndProc.
LRESULT HandleShowWindow(TControl* control, TMessage& msg);
// Keyboard messages 0x100-0x108 reaching a control's WndProc.
LRESULT HandleKeyMessage(TControl* control, TMessage& msg);
// The key state as the key events see it (kShiftKey, kControlKey, kAltKey).
std::uint32_t CurrentShiftState();

// Tab navigation of a form.
bool TabNavigate(TControl* control, WPARAM key, bool notKeyDown);
// The focusable controls of a form, sorted by TabOrder; the caller frees the list.
TList* BuildTabList(TControl* form);
void FocusNext(TControl* form, bool forwards);
// The control could take the focus from Tab: a visible, enabled tab stop.
bool TakesFocus(TControl* control);
// Gives the focus to the first control of the form's tab list, which becomes
// current; false when the form has none.
bool FocusFirst(TControl* form);

// Installs and removes DialogKeyHook as the application window's OnMessage, keeping the
// hook it replaces.
void InstallDialogKeyHook(TControl* app);
void RemoveDialogKeyHook(TControl* app);
