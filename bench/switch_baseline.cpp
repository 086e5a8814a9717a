// What a user could write instead of comswitch: the same tool window with the
// same three buttons and two check boxes, a GetMessage loop with
// IsDialogMessage, COM3 opened with the same settings on "Open", and one
// overlapped WriteFile with GetOverlappedResult for each click of "Вкл" or
// "Выкл". Built twice with the shipped program's flags:
//
// - plain_switch: just that;
// - design_switch (DESIGN_BASELINE=1): the same plus what comswitch's design
//   asks for beyond the job, and nothing else: the common controls loaded and
//   registered, an application window owning the form as the design makes it
//   (visible before the form, moved with the form and given its width, and
//   given the program's icon, as the form is), one tooltip window, and on every
//   mouse message of a control the Alt state read and a TrackMouseEvent with
//   TME_LEAVE (TME_HOVER once the mouse has left).
//
// The gap between comswitch and design_switch is overhead the design does not ask for.
#include <windows.h>
// After windows.h, whose types it uses.
#include <commctrl.h>

#include "baseline_port.h"

// The Alt state as the design's mouse events would carry it.
volatile bool AltHeld = false;

#ifndef DESIGN_BASELINE
#define DESIGN_BASELINE 0
#endif

namespace {

constexpr bool kDesign = DESIGN_BASELINE != 0;

enum TControlId : int { kOn = 1, kOff, kOpen, kRts, kDtr };

struct TControlLayout {
  const char* caption;
  DWORD style;
  int x, y, width, height;
};

// "Вкл" and "Выкл" in code page 1251, as comswitch shows them.
const TControlLayout kControls[] = {
    {"\xC2\xEA\xEB", BS_PUSHLIKE | WS_DISABLED, 5, 5, 100, 25},
    {"\xC2\xFB\xEA\xEB", BS_PUSHLIKE | WS_DISABLED, 5, 35, 100, 25},
    {"Open", BS_PUSHLIKE, 5, 65, 100, 25},
    {"RTS", BS_AUTOCHECKBOX, 30, 100, 55, 20},
    {"DTR", BS_AUTOCHECKBOX, 30, 130, 55, 20},
};

HWND Form = nullptr;
HWND Application = nullptr;
HANDLE Port = INVALID_HANDLE_VALUE;
HANDLE WriteDone = nullptr;
WNDPROC ButtonProc = nullptr;

void OpenPort() {
  if (Port != INVALID_HANDLE_VALUE) return;
  Port = OpenBaselinePort();
  if (Port == INVALID_HANDLE_VALUE) return;
  WriteDone = CreateEventA(nullptr, TRUE, FALSE, nullptr);
}

void WriteByte(char byte) {
  if (Port == INVALID_HANDLE_VALUE) return;
  OVERLAPPED overlapped = {};
  overlapped.hEvent = WriteDone;
  DWORD written = 0;
  if (!WriteFile(Port, &byte, 1, &written, &overlapped) && GetLastError() == ERROR_IO_PENDING) {
    GetOverlappedResult(Port, &overlapped, &written, TRUE);
  }
}

void SetLine(HWND box, DWORD raise, DWORD drop) {
  if (Port == INVALID_HANDLE_VALUE) return;
  EscapeCommFunction(Port, SendMessageA(box, BM_GETCHECK, 0, 0) == BST_CHECKED ? raise : drop);
}

void OnCommand(int id, HWND control) {
  switch (id) {
    case kOn: WriteByte('A'); break;
    case kOff: WriteByte('B'); break;
    case kOpen:
      OpenPort();
      EnableWindow(GetDlgItem(Form, kOn), TRUE);
      EnableWindow(GetDlgItem(Form, kOff), TRUE);
      break;
    case kRts: SetLine(control, SETRTS, CLRRTS); break;
    case kDtr: SetLine(control, SETDTR, CLRDTR); break;
    default: break;
  }
}

// The design's application window takes the form's place and width.
void FollowForm(HWND form, UINT keep) {
  if (!Application) return;
  RECT r;
  GetWindowRect(form, &r);
  SetWindowPos(Application, nullptr, r.left, r.top, r.right - r.left, 0,
               keep | SWP_NOZORDER | SWP_NOACTIVATE);
}

LRESULT CALLBACK FormProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      if (HIWORD(wParam) == BN_CLICKED) OnCommand(LOWORD(wParam), reinterpret_cast<HWND>(lParam));
      return 0;
    case WM_DESTROY: PostQuitMessage(0); return 0;
    case WM_MOVE: FollowForm(window, SWP_NOSIZE); break;
    case WM_SIZE: FollowForm(window, SWP_NOMOVE); break;
    default: break;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

void TrackMouse(HWND window, DWORD flags) {
  TRACKMOUSEEVENT track = {};
  track.cbSize = sizeof track;
  track.dwFlags = flags;
  track.hwndTrack = window;
  track.dwHoverTime = HOVER_DEFAULT;
  TrackMouseEvent(&track);
}

// The design's mouse handling on each control: the Alt state and leave tracking.
LRESULT CALLBACK ControlProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message >= WM_MOUSEFIRST && message <= WM_MOUSEWHEEL) {
    AltHeld = GetKeyState(VK_MENU) < 0;
    TrackMouse(window, TME_LEAVE);
  } else if (message == WM_MOUSELEAVE) {
    TrackMouse(window, TME_HOVER);
  }
  return CallWindowProcA(ButtonProc, window, message, wParam, lParam);
}

void LoadCommonControls() {
  InitCommonControls();
  HMODULE library = LoadLibraryA("comctl32.dll");
  if (!library) return;
  using TInitEx = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
  const auto initEx = reinterpret_cast<TInitEx>(
      reinterpret_cast<void*>(GetProcAddress(library, "InitCommonControlsEx")));
  if (!initEx) return;
  INITCOMMONCONTROLSEX classes = {sizeof classes, 0xFF};
  initEx(&classes);
}

HWND MakeApplicationWindow(HINSTANCE instance) {
  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = &DefWindowProcA;
  windowClass.hInstance = instance;
  windowClass.lpszClassName = "DesignApp";
  if (!RegisterClassA(&windowClass)) return nullptr;
  // Visible from its creation on, before the form.
  return CreateWindowExA(WS_EX_APPWINDOW, windowClass.lpszClassName, "Form",
                         WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, 0, 0, 0,
                         0, nullptr, nullptr, instance, nullptr);
}

void MakeTooltip(HINSTANCE instance) {
  HWND tooltip = CreateWindowExA(
      WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP,
      CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, Form, nullptr, instance, nullptr);
  SetWindowPos(tooltip, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

// "MS Sans Serif", 8 points, as comswitch's controls have it.
HFONT MakeFont() {
  HDC screen = GetDC(nullptr);
  const int height = -((8 * GetDeviceCaps(screen, LOGPIXELSY) + 36) / 72);
  ReleaseDC(nullptr, screen);
  return CreateFontA(height, 0, 0, 0, FW_NORMAL, 0, 0, 0, RUSSIAN_CHARSET, 0, 0, 0, 0,
                     "MS Sans Serif");
}

bool MakeForm(HINSTANCE instance, HWND owner) {
  WNDCLASSA windowClass = {};
  windowClass.style = CS_DBLCLKS;
  windowClass.lpfnWndProc = &FormProc;
  windowClass.hInstance = instance;
  windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  windowClass.lpszClassName = "BaselineForm";
  if (!RegisterClassA(&windowClass)) return false;
  const int width = 119, height = 209;
  Form = CreateWindowExA(WS_EX_TOOLWINDOW | WS_EX_CONTROLPARENT, windowClass.lpszClassName, "Form",
                         WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN,
                         (GetSystemMetrics(SM_CXSCREEN) - width) / 2,
                         (GetSystemMetrics(SM_CYSCREEN) - height) / 2, width, height, owner,
                         nullptr, instance, nullptr);
  if (!Form) return false;
  const HFONT font = MakeFont();
  int id = kOn;
  for (const TControlLayout& layout : kControls) {
    HWND control = CreateWindowExA(
        0, "BUTTON", layout.caption, WS_CHILD | WS_VISIBLE | WS_TABSTOP | layout.style, layout.x,
        layout.y, layout.width, layout.height, Form,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id++)), instance, nullptr);
    SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    if constexpr (kDesign) {
      ButtonProc = reinterpret_cast<WNDPROC>(
          SetWindowLongPtrA(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ControlProc)));
    }
  }
  return true;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  HWND owner = nullptr;
  if constexpr (kDesign) {
    LoadCommonControls();
    Application = owner = MakeApplicationWindow(instance);
    if (!owner) return 1;
  }
  if (!MakeForm(instance, owner)) return 1;
  if constexpr (kDesign) {
    const auto icon = reinterpret_cast<LPARAM>(LoadIconA(instance, "WDAP"));
    SendMessageA(Form, WM_SETICON, ICON_BIG, icon);
    SendMessageA(Application, WM_SETICON, ICON_BIG, icon);
    MakeTooltip(instance);
  }
  ShowWindow(Form, SW_SHOW);
  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    if (IsDialogMessageA(Form, &message)) continue;
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  if (Port != INVALID_HANDLE_VALUE) {
    CloseHandle(WriteDone);
    CloseHandle(Port);
  }
  return 0;
}
