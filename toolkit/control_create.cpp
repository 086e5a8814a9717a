#include <cstring>

#include "toolkit/control.h"
#include "toolkit/paint.h"
#include "toolkit/self_binding.h"
#include "toolkit/wide_text.h"
#include "toolkit/window_proc.h"

namespace {

constexpr std::uint32_t kDefaultStyle = 0x16CF0000;  // visible, clipping, overlapped window
constexpr std::uint32_t kClassDcStyles = 0x40E0;     // own, class, parent DC; global class
constexpr std::size_t kClassNameSize = 64;

void ClearCaption(TControl* control) { control->SetCaption(""); }
void NoWindowHook(TControl*) {}

HINSTANCE ModuleInstance() { return GetModuleHandleA(nullptr); }

// The system's shared arrow: the same handle on every load, and each load is a
// round trip to the wine server.
HCURSOR ArrowCursor() {
  static HCURSOR arrow;
  if (!arrow) arrow = LoadCursorA(nullptr, IDC_ARROW);
  return arrow;
}

// "obj_" + the base class name, or the object's own name; false when it does not fit.
bool BuildClassName(const TControl* control, char (&name)[kClassNameSize]) {
  const char* prefix = control->ClassNameOwned ? "" : "obj_";
  const std::size_t prefixLength = std::strlen(prefix);
  const std::size_t baseLength = std::strlen(control->ControlClassName);
  if (prefixLength + baseLength + 1 > kClassNameSize) return false;
  std::memcpy(name, prefix, prefixLength);
  std::memcpy(name + prefixLength, control->ControlClassName, baseLength + 1);
  return true;
}

}  // namespace

std::uint16_t NextControlId = 0x8000;
TControl* CreatingControl = nullptr;
TControlProc CreateWindowHook = NoWindowHook;
std::uint8_t AppletCreated = 0;

const TControlActions ButtonActions = {ClearCaption, 0, 0, 6, 7, 0, 0, 0, 0};

void TControl::Init() {
  TObj::Init();
  HandlerChain = NotHandled;
  KeyHandler = NotHandled;
  ClassWndProc = GlobalWindowProc;
  Actions.ClearText = ClearCaption;
  Color = 0x8000000F;
  TextColor = 0x80000008;
  Margin = 2;
  Ctl3D = 1;
  ChildrenCtl3D = 1;
  AlphaBlend = 255;
  Children = NewList();
  ClassStyle = CS_OWNDC;
  Style = kDefaultStyle;
  ExStyle = WS_EX_CONTROLPARENT;
  Visible = 1;
  Enabled = 1;
  MessageHandlers = NewList();
}

void TControl::InitParented(TControl* parent) {
  Init();
  SetParent(parent);
  if (parent) Color = parent->Color;
}

TControl* NewWindowed(TControl* parent, const char* className, bool ctl3D) {
  TControl* control = ZeroNew<TControl>();
  control->InitParented(parent);
  control->ControlClassName = className;
  if (!parent) return control;
  control->TabNavigator = parent->TabNavigator;
  control->ChildrenCtl3D = parent->ChildrenCtl3D;
  control->Ctl3D = parent->ChildrenCtl3D ? ctl3D : 0;
  control->Margin = parent->Margin;
  const int m = parent->Margin;
  const int left = m + parent->ClientLeft;
  const int top = m + parent->ClientTop;
  control->Bounds = {left, top, left + 64, top + 64};
  control->TextColor = parent->TextColor;
  // The parent's tools are copied and stay linked, so the copies share the
  // parent's handles while they describe the same thing.
  if (TGraphicTool* font = CopyTool(nullptr, parent->Font)) {
    control->Font = font;
    font->LinkParent(parent->Font);
    font->OnChange = MakeMethod<&TControl::FontChanged>(control);
  }
  control->Color = parent->Color;
  if (TGraphicTool* brush = CopyTool(nullptr, parent->Brush)) {
    control->Brush = brush;
    brush->LinkParent(parent->Brush);
    brush->OnChange = MakeMethod<&TControl::BrushChanged>(control);
  }
  return control;
}

TControl* NewControl(TControl* parent, const char* className, std::uint32_t style, bool ctl3D,
                     const TControlActions* actions) {
  TControl* control = NewWindowed(parent, className, ctl3D);
  if (actions) control->Actions = *actions;
  control->IsControl = 1;
  control->Style = style | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
  control->Visible = (style & WS_VISIBLE) != 0;
  control->TabStop = (style & WS_TABSTOP) != 0;
  if (parent) {
    TControl* form = ParentForm(parent);
    if (form) control->TabOrder = ++form->TabOrder;
    control->Cursor = parent->Cursor;
  }
  control->TabKeys = 15;
  if (control->Ctl3D) {
    control->Style &= ~WS_BORDER;
    control->ExStyle |= WS_EX_CLIENTEDGE;
  }
  if (style & WS_TABSTOP) {
    TControl* form = ParentForm(control);
    if (form && !form->CurrentControl) form->CurrentControl = control;
  }
  control->ControlId = NextControlId++;
  AttachMessageHandler(control, ControlDefaultHandler, false);
  return control;
}

TControl* NewApplet(const char* caption) {
  AppletCreated = 1;
  TControl* app = NewWindowed(nullptr, "App", true);
  app->IsApplet = 1;
  app->Style = WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
  app->ExStyle = WS_EX_APPWINDOW;
  app->AfterCreate = TrimSystemMenu;
  AttachMessageHandler(app, AppletHandler, false);
  app->SetCaption(caption);
  return app;
}

TControl* NewForm(TControl* parent, const char* caption) {
  TControl* form = NewWindowed(parent, "Form", true);
  form->ClassStyle |= CS_DBLCLKS;
  AttachMessageHandler(form, FormHandler, false);
  AttachMessageHandler(form, EraseBackgroundHandler, false);
  form->SetCaption(caption);
  form->IsForm = 1;
  return form;
}

TControl* NewButton(TControl* parent, const char* caption) {
  TControl* button = NewControl(parent, "BUTTON", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHLIKE,
                                false, &ButtonActions);
  button->IsButton = 1;
  button->Ctl3D = 1;
  button->Bounds.bottom = button->Bounds.top + 22;
  button->SetCaption(caption);
  button->IsPushButton = 1;
  return button;
}

TControl* NewCheckBox(TControl* parent, const char* caption) {
  TControl* box = NewButton(parent, caption);
  box->Bounds.right = box->Bounds.left + 72;
  box->Style = WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX;
  return box;
}

HWND TControl::GetWindowHandle() {
  if (!Handle) {
    if (!VisibleSet) {
      ApplyVisible(false);
      CreateWindowHandle();
      ShowPending = 1;
    } else {
      CreateWindowHandle();
    }
  }
  return Handle;
}

void TControl::CreateChildWindows() {
  for (int i = 0; i < Children->Count; ++i) Children->GetPtr<TControl>(i)->CreateWindowHandle();
}

bool TControl::CreateWindowHandle() {
  HWND parentWindow = nullptr;
  if (Parent) {
    parentWindow = Parent->GetWindowHandle();
    if (!parentWindow) return false;
  }
  if (Handle) {
    CreateChildWindows();
    if (ShowPending) {
      ApplyVisible(true);
      ShowPending = 0;
    }
    return true;
  }

  // Every toolkit window is a Unicode window, its class registered with the
  // wide call and the standard class's wide procedure kept as its default
  // processing: a wide text that passed through an ANSI procedure would be
  // converted through the system's code page and lose its Cyrillic letters.
  const HINSTANCE instance = ModuleInstance();
  WNDCLASSW wc{};
  wc.style = ClassStyle;
  wc.lpfnWndProc = DefWindowProc;
  wc.hCursor = ArrowCursor();
  wc.hInstance = instance;
  if (ControlClassName) {
    WNDCLASSW base{};
    // A standard class gives its procedure, cursor, brush and window extra bytes.
    if (GetClassInfoW(instance, TWideText(ControlClassName).Get(), &base)) wc = base;
    wc.hInstance = instance;
    wc.style &= ~kClassDcStyles;
  }
  // A class of the object's own name that the toolkit registered itself carries
  // the toolkit's procedure: that is no default processing, it would call itself.
  if (!DefWindowProc && wc.lpfnWndProc != ClassWndProc) DefWindowProc = wc.lpfnWndProc;

  char className[kClassNameSize];
  if (!ControlClassName || !BuildClassName(this, className)) return false;
  const DWORD style = Style | (Enabled ? 0 : WS_DISABLED);
  if (!parentWindow && (style & WS_CHILD)) return false;

  const TWideText wideClassName(className);
  WNDCLASSW registered;
  if (!GetClassInfoW(instance, wideClassName.Get(), &registered)) {
    wc.lpszClassName = wideClassName.Get();
    wc.lpszMenuName = nullptr;
    wc.lpfnWndProc = ClassWndProc;
    if (!RegisterClassW(&wc)) return false;
  }

  int x = Bounds.left, y = Bounds.top;
  int width = Bounds.right - Bounds.left, height = Bounds.bottom - Bounds.top;
  if (width == 0) width = CW_USEDEFAULT;
  if (height == 0) height = CW_USEDEFAULT;
  if (!IsControl && (PositionSet & 3) == 0) x = y = CW_USEDEFAULT;

  CreatingControl = this;
  Handle = CreateWindowExW(
      ExStyle, wideClassName.Get(), TWideText(Caption).Get(), style, x, y, width, height,
      parentWindow, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(ControlId)), instance, nullptr);
  if (!Handle) {
    // A window that failed before its first message must not leave this object
    // waiting to be bound to the next window created.
    if (CreatingControl == this) CreatingControl = nullptr;
    return false;
  }
  SendMessageA(Handle, WM_UPDATEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);
  if (!SelfOf(Handle)) {
    CreatingControl = nullptr;
    BindSelf(Handle, this);
  }
  // A new window has no icon of its own: sending it none would change nothing.
  if (!IsControl && Icon)
    SendMessageA(Handle, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(Icon));
  if (AfterCreate) AfterCreate(this);
  CreateWindowHook(this);
  ApplyFont(this);
  CreateChildWindows();
  return true;
}
