#pragma once

#include <windows.h>

#include <cstdint>

#include "toolkit/graphic_tool.h"
#include "toolkit/list.h"
#include "toolkit/method.h"
#include "toolkit/obj.h"

class TControl;

// The four values of a window message. Handlers may change WParam.
struct TMessage {
  HWND Window;
  UINT Msg;
  WPARAM WParam;
  LPARAM LParam;
};

// A handler procedure: true when the message needs no further processing.
using THandlerProc = bool (*)(TControl* control, TMessage& msg, LRESULT& result);
using TControlProc = void (*)(TControl* control);
using TTabNavigator = bool (*)(TControl* control, WPARAM key, bool notKeyDown);

// What the mouse events receive.
struct TMouseEventData {
  std::uint8_t Button;        // 0 none (move, wheel), 1 left, 2 right, 3 middle
  std::uint8_t StopHandling;  // set by the event to stop default processing
  std::uint32_t Shift;        // the message's wParam, 0x20 added while Alt is held
  std::int16_t X;
  std::int16_t Y;
};

// Shift-state bits of the key events.
constexpr std::uint32_t kShiftKey = 0x04;
constexpr std::uint32_t kControlKey = 0x08;
constexpr std::uint32_t kAltKey = 0x20;

using TNotify = TMethod<void(TControl* sender)>;
using TMessageHook = TMethod<bool(TMessage& msg, LRESULT& result)>;
using TCloseQuery = TMethod<void(TControl* sender, bool& accept)>;
using TMouseEvent = TMethod<void(TControl* sender, TMouseEventData& mouse)>;
using TKeyEvent = TMethod<void(TControl* sender, WPARAM& key, std::uint32_t shift)>;
using TCharEvent = TMethod<void(TControl* sender, char& c, std::uint32_t shift)>;
using TPaintEvent = TMethod<void(TControl* sender, HDC dc)>;

// Per-class behaviour, copied whole into a control when it is made.
struct TControlActions {
  TControlProc ClearText;
  std::uint32_t Reserved;
  std::uint16_t ClickCode;
  std::uint16_t EnterCode;
  std::uint16_t LeaveCode;
  std::int16_t ChangeCode;
  std::int16_t SelChangeCode;
  std::uint16_t QueryMessage;  // asked whether Enter may press the focused control; 0 none
  std::uint16_t ColorMessage;  // sent with the RGB background whenever Color is set; 0 none
};

// Alignment of a child inside its parent's client area.
enum TAlign : std::uint8_t {
  kAlignNone = 0,
  kAlignLeft = 1,
  kAlignTop = 2,
  kAlignRight = 3,
  kAlignBottom = 4,
  kAlignClient = 5
};

// Private messages of the toolkit.
constexpr UINT MSG_FREE_SELF = 0xB003;
constexpr UINT MSG_REFLECTED_COMMAND = 0xB005;
constexpr UINT MSG_REFLECTED_CTLCOLOR_FIRST = WM_CTLCOLORMSGBOX + 0xBC00;
constexpr UINT MSG_REFLECTED_CTLCOLOR_LAST = WM_CTLCOLORSTATIC + 0xBC00;

// The one object class behind every window of the toolkit: the application
// window, forms and child controls. The native window is created lazily.
class TControl : public TObj {
 public:
  // --- Window and styles: what the native window is made from.
  HWND Handle = nullptr;
  HWND FocusHandle = nullptr;  // a second window counted as focused; always 0 here
  std::uint32_t ClassStyle = 0;
  std::uint32_t Style = 0;
  std::uint32_t ExStyle = 0;
  HCURSOR Cursor = nullptr;
  HICON Icon = nullptr;  // big icon given to a top-level window when it is created
  std::uint8_t IconShared = 0;
  char* Caption = nullptr;
  WNDPROC DefWindowProc = nullptr;
  WNDPROC ClassWndProc = nullptr;
  std::uint32_t ControlId = 0;
  HACCEL AccelTable = nullptr;
  const char* ControlClassName = nullptr;
  std::uint8_t ClassNameOwned = 0;
  std::uint8_t ChildrenCtl3D = 0;
  std::uint8_t Ctl3D = 0;
  std::uint32_t AlphaBlend = 0;
  TControlActions Actions{};
  TControlProc AfterCreate = nullptr;

  // --- Hierarchy and the roles an object plays in it.
  TControl* Parent = nullptr;
  TList* Children = nullptr;
  TControl* CurrentControl = nullptr;  // a form's focused control; the application window's form
  std::uint8_t IsApplet = 0;
  std::uint8_t IsForm = 0;
  std::uint8_t IsControl = 0;
  std::uint8_t IsButton = 0;
  std::uint8_t IsPushButton = 0;
  std::uint8_t IsDefaultButton = 0, IsCancelButton = 0;
  TControl* DefaultButton = nullptr;
  TControl* CancelButton = nullptr;
  std::uint8_t EnterClicksFocused = 0;
  TTabNavigator TabNavigator = nullptr;
  std::uint8_t TabStop = 0;
  std::int32_t TabOrder = 0;
  std::uint32_t TabKeys = 0;  // 1 Tab, 2 Left/Right, 4 Up/Down, 8 PageUp/PageDown

  // --- State flags.
  std::uint8_t Enabled = 0;
  std::uint8_t Visible = 0;
  std::uint8_t VisibleSet = 0;
  std::uint8_t ShowPending = 0;
  std::uint8_t WindowState = 0;
  std::int32_t RestoreShowCmd = 0;
  // 1 show, 2 hide: the owner's notice of a change being handled, whose own
  // notice of the same change follows within that handling.
  std::uint8_t OwnerShowNotice = 0;
  std::uint8_t WindowGone = 0;
  std::uint8_t Destroying = 0;
  std::uint8_t FocusLock = 0;

  // --- Geometry.
  RECT Bounds{};  // left, top, right, bottom in parent client coordinates (screen for top-level)
  std::int32_t ClientTop = 0, ClientBottom = 0, ClientLeft = 0, ClientRight = 0;
  std::int32_t Margin = 0;
  std::uint8_t PositionSet = 0;  // bit 0 left, bit 1 top set explicitly
  std::uint8_t Align = 0;

  // --- Painting: colours, tools and the off-screen buffer.
  std::uint32_t Color = 0;
  std::uint32_t TextColor = 0;
  TGraphicTool* Font = nullptr;   // the font tool, made on first request or copied from the parent
  TGraphicTool* Brush = nullptr;  // the brush tool, copied from a parent that has one
  HBRUSH CachedBrush = nullptr;   // the cached solid brush of Color
  COLORREF BrushRGB = 0;          // the RGB the cached brush was made with
  HDC PaintDC = nullptr;          // the DC being painted into right now
  HBITMAP BufferBitmap = nullptr;
  std::int32_t BufferWidth = 0, BufferHeight = 0;
  std::uint8_t BufferFreeRegistered = 0;  // the bitmap's deletion is on the AutoFree list
  std::uint8_t PaintingToBuffer = 0;
  std::uint8_t DoubleBuffered = 0;
  std::uint8_t Transparent = 0;

  // --- Dispatch and events.
  TList* MessageHandlers = nullptr;
  THandlerProc HandlerChain = nullptr;
  THandlerProc KeyHandler = nullptr;
  TMessageHook OnMessage;
  TMessageHook SavedMessageHook;  // kept while DialogKeyHook is installed
  TNotify OnClick, OnEnter, OnLeave, OnChange, OnSelChange;
  TNotify OnResize, OnShow, OnHide;
  TCloseQuery OnClose;
  TMouseEvent OnMouseDown, OnMouseUp, OnMouseMove, OnMouseDblClk, OnMouseWheel;
  TKeyEvent OnKeyDown, OnKeyUp;
  TCharEvent OnChar;
  TPaintEvent OnPaint;

  void Init() override;
  virtual void InitParented(TControl* parent);
  // Makes sure this window and every window under it exist; shows a pending show.
  virtual bool CreateWindowHandle();
  virtual LRESULT WndProc(TMessage& msg);

  // The window, created (hidden when its visibility was never set) if missing.
  HWND GetWindowHandle();
  void CreateChildWindows();

  void SetVisible(bool value);
  void ApplyVisible(bool value);
  void SetEnabled(bool value);
  void SetParent(TControl* newParent);
  void SetCaption(const char* text);
  void SetCtl3D(bool value);
  void SetColor(std::uint32_t color);
  void SetCursor(HCURSOR cursor);
  void SetStyle(std::uint32_t value);
  void SetExStyle(std::uint32_t value);
  void SetClassStyle(std::uint32_t value);
  void SetTabOrder(std::int32_t order);
  void SetAlign(std::uint8_t align);

  RECT BoundsRect();
  void SetBoundsRect(const RECT& rect);
  void SetPosition(int left, int top);
  void SetSize(int width, int height);
  void SetWidth(int width);
  void SetHeight(int height);
  int Left() { return BoundsRect().left; }
  int Top() { return BoundsRect().top; }
  int Width();
  int Height();
  RECT ClientRect();
  int ClientWidth();
  int ClientHeight();
  void SetClientWidth(int width);
  void SetClientHeight(int height);

  // Event setters: storing an event also attaches what dispatches it.
  void SetOnMouseDown(TMouseEvent e);
  void SetOnMouseUp(TMouseEvent e);
  void SetOnMouseMove(TMouseEvent e);
  void SetOnMouseDblClk(TMouseEvent e);
  void SetOnMouseWheel(TMouseEvent e);
  void SetOnKeyDown(TKeyEvent e);
  void SetOnKeyUp(TKeyEvent e);
  void SetOnChar(TCharEvent e);
  void SetOnResize(TNotify e);
  void SetOnShow(TNotify e);
  void SetOnHide(TNotify e);
  void SetOnPaint(TPaintEvent e);

  // The OnChange of the control's font tool and of its brush tool.
  void FontChanged(TGraphicTool* tool);
  void BrushChanged(TGraphicTool* tool);
  // Deletes the off-screen bitmap; registered on the AutoFree list when it is first made.
  void DeleteBufferBitmap();

  // Enter and Escape press a form's default and cancel buttons; installed as the
  // application window's OnMessage.
  bool DialogKeyHook(TMessage& msg, LRESULT& result);

 protected:
  ~TControl() override;

 private:
  void ReleaseWindowResources();
  void ReleaseOwnedMemory();
};

// Constructors.
TControl* NewWindowed(TControl* parent, const char* className, bool ctl3D);
TControl* NewControl(TControl* parent, const char* className, std::uint32_t style, bool ctl3D,
                     const TControlActions* actions);
TControl* NewApplet(const char* caption);
TControl* NewForm(TControl* parent, const char* caption);
TControl* NewButton(TControl* parent, const char* caption);
TControl* NewCheckBox(TControl* parent, const char* caption);

extern const TControlActions ButtonActions;

// Process-wide state of window creation.
extern std::uint16_t NextControlId;
extern TControl* CreatingControl;
extern TControlProc CreateWindowHook;
extern TControlProc RealignHook;
extern std::uint8_t AppletCreated;

// Walks up from a child control to its form (or the application window).
TControl* ParentForm(TControl* control);
LRESULT Perform(TControl* control, UINT msg, WPARAM wParam, LPARAM lParam);
void PostClose(TControl* control);
void AlignChildren(TControl* control);
void TrackMouse(TControl* control, DWORD flags);
void TrimSystemMenu(TControl* control);

// The window property that binds a window to its object.
inline constexpr char kSelfProp[] = "SELF_";
