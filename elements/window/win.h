#pragma once

#include <windows.h>

#include <cstdint>

#include "elements/window/font_rec.h"
#include "elements/window/hint_operations.h"
#include "runtime/data.h"
#include "runtime/event.h"
#include "runtime/text.h"
#include "toolkit/control.h"

// The base of every element that owns a native window. The schema writes the
// properties, a derived element creates the control and stores it in Control,
// then Init applies everything to the control in one pass and turns its
// notifications into the outgoing points below.
class TWDWin {
 public:
  // Keeps the parent; copies its colour when there is one. Creates no control.
  explicit TWDWin(TControl* parent);
  // Hides and frees the control unless the toolkit destroyed it first, then
  // removes the element's tooltip.
  virtual ~TWDWin();
  TWDWin(const TWDWin&) = delete;
  TWDWin& operator=(const TWDWin&) = delete;

  // Working state.
  TMethod<TControl*()> WindowLink;
  std::uint8_t ControlGone = 0;
  TControl* ParentControl = nullptr;
  TMessageHook PrevMessageHook;
  TMouseEventData LastMouse{};
  std::int32_t KeyOverride = 0;
  THintTool* HintTool = nullptr;
  const THintOperations* HintManager = nullptr;
  void* Provider = nullptr;
  TControl* Control = nullptr;

  // Properties, written by the schema before Init.
  std::int32_t Left = 0;
  std::int32_t Top = 0;
  std::int32_t Width = 0;
  std::int32_t Height = 0;
  std::uint8_t Align = 0;
  std::int32_t TabOrder = 0;
  std::uint32_t Color = 0;
  std::uint8_t Ctl3D = 2;
  TText Hint;
  TFontRec Font;
  std::uint8_t ParentFont = 0;
  std::uint8_t Transparent = 0;
  std::uint8_t Visible = 1;
  std::uint8_t Enabled = 1;
  HCURSOR Cursor = nullptr;
  std::uint8_t MouseCapture = 0;
  std::uint8_t Flat = 0;
  std::uint8_t KeyPreview = 1;
  std::uint8_t EdgeStyle = 0;

  // Event points.
  TWD_Event onKeyDown;
  TWD_Event onKeyUp;
  TWD_Event onChar;
  TWD_Event onMouseDown;
  TWD_Event onMouseMove;
  TWD_Event onMouseUp;
  TWD_Event onMouseWheel;
  TWD_Event onSetFocus;
  TWD_Event onKillFocus;
  TWD_Event onDblClick;
  TWD_Event onResize;
  TWD_Event onShow;
  TWD_Event onMove;
  TWD_Event onMouseEnter;
  TWD_Event onMouseLeave;
  // Data points, asked for a correction of a pending resize.
  TWD_Event readWidthDelta;
  TWD_Event readHeightDelta;

  virtual void HandleKeyDown(TControl* sender, WPARAM& key, std::uint32_t shift);
  virtual void HandleKeyUp(TControl* sender, WPARAM& key, std::uint32_t shift);
  virtual void HandleChar(TControl* sender, char& c, std::uint32_t shift);
  virtual void HandleMouseDown(TControl* sender, TMouseEventData& mouse);
  virtual void HandleMouseMove(TControl* sender, TMouseEventData& mouse);
  virtual void HandleMouseEnter(TControl* sender);
  virtual void HandleMouseLeave(TControl* sender);
  virtual void HandleMouseUp(TControl* sender, TMouseEventData& mouse);
  virtual void HandleMouseWheel(TControl* sender, TMouseEventData& mouse);
  // The control's message hook: every message passes here first.
  virtual bool HandleMessage(TMessage& msg, LRESULT& result);
  virtual void HandleControlDestroy(TObj* sender);
  virtual void HandleResize(TControl* sender);
  virtual void HandleShow(TControl* sender);
  // Applies the properties to Control, which the derived element has created.
  virtual void Init();
  virtual TMethod<TControl*()>* WindowInterface();

  // Incoming method: the truth view of the value becomes the enabled state.
  void doEnabled(TData& data, std::uint16_t index);

  // Registers Hint with `manager`, or with the process-wide manager when nil.
  void AttachHint(const THintOperations* manager);
  // Only the nil provider exists in this program.
  void AttachProvider(void* provider);

 protected:
  // The key and character notifications of the control, with the parent's
  // preview and KeyOverride around the element's own handling.
  void KeyDownWrapper(TControl* sender, WPARAM& key, std::uint32_t shift);
  void KeyUpWrapper(TControl* sender, WPARAM& key, std::uint32_t shift);
  void CharWrapper(TControl* sender, char& c, std::uint32_t shift);
  void HandleDblClick(TControl* sender, TMouseEventData& mouse);
  TControl* LinkedControl();

 private:
  void ApplyFontProperty();
  void ApplyTabOrder();
  void InstallEvents();
  void ApplyEdgeStyle();
  void CorrectResize(WINDOWPOS& pos);
  // Empties every event slot of the control that still leads to this element.
  void ForgetControlEvents();
};

// The process-wide hint manager's table, used by AttachHint(nil); nil until the
// hint manager exists.
const THintOperations* GlobalHintOperations();
