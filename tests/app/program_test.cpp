// The shipped program, judged from outside: comswitch.exe runs as a child
// process, its windows are looked at and clicked with the real pointer and
// keyboard, and the bytes it sends are read at the far end of the null-modem.
#include <gtest/gtest.h>
#include <msxml2.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "../elements/serial/peer_port.h"
#include "child_process.h"

namespace {

using namespace std::chrono_literals;

// The texts as the window system holds them, whatever the system's code page.
const std::wstring kOn = L"\u0412\u043A\u043B";
const std::wstring kOff = L"\u0412\u044B\u043A\u043B";
const std::wstring kCredit = L"\u0421\u0434\u0435\u043B\u0430\u043D\u043E \u0432 Weldra.";

std::string ProgramPath() { return PROGRAM_PATH; }

std::string ClassOf(HWND window) {
  char name[64] = {};
  GetClassNameA(window, name, sizeof name);
  return name;
}

std::wstring TextOf(HWND window) {
  wchar_t text[256] = {};
  GetWindowTextW(window, text, 256);
  return text;
}

// Waits until `done` holds or `limit` passes; true when it held.
template <class Condition>
bool WaitUntil(Condition done, std::chrono::milliseconds limit = 5s) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(20ms);
  }
  return true;
}

struct TWindowSearch {
  DWORD processId;
  HWND found;
};

BOOL CALLBACK MatchMainWindow(HWND window, LPARAM parameter) {
  auto& search = *reinterpret_cast<TWindowSearch*>(parameter);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner == search.processId && ClassOf(window) == "obj_Form" && IsWindowVisible(window)) {
    search.found = window;
    return FALSE;
  }
  return TRUE;
}

BOOL CALLBACK CollectChild(HWND child, LPARAM parameter) {
  reinterpret_cast<std::vector<HWND>*>(parameter)->push_back(child);
  return TRUE;
}

// The running program and its tool window.
class TProgram {
 public:
  explicit TProgram(const std::string& arguments = "") : child_(ProgramPath(), arguments) {}
  TProgram(const std::string& path, const std::string& arguments) : child_(path, arguments) {}

  TChildProcess& Process() { return child_; }

  HWND MainWindow(std::chrono::milliseconds limit = 15s) {
    WaitUntil(
        [&] {
          TWindowSearch search{child_.Id(), nullptr};
          EnumWindows(&MatchMainWindow, reinterpret_cast<LPARAM>(&search));
          main_ = search.found;
          return main_ != nullptr;
        },
        limit);
    return main_;
  }

  std::vector<HWND> Children() {
    std::vector<HWND> children;
    EnumChildWindows(main_, &CollectChild, reinterpret_cast<LPARAM>(&children));
    return children;
  }

  HWND Child(const std::wstring& caption) {
    for (HWND child : Children()) {
      if (TextOf(child) == caption) return child;
    }
    return nullptr;
  }
  HWND Child(std::string_view ascii) { return Child(std::wstring(ascii.begin(), ascii.end())); }

  // The program's GUI thread has handled everything sent before.
  bool Responds(UINT limitMs = 2000) {
    DWORD_PTR answer = 0;
    return SendMessageTimeoutA(main_, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, limitMs, &answer) != 0;
  }

  std::optional<DWORD> Close() {
    PostMessageA(main_, WM_CLOSE, 0, 0);
    return child_.WaitForExit(10s);
  }

 private:
  TChildProcess child_;
  HWND main_ = nullptr;
};

void MovePointer(int x, int y) {
  INPUT input = {};
  input.type = INPUT_MOUSE;
  input.mi.dx = MulDiv(x, 65535, GetSystemMetrics(SM_CXSCREEN) - 1);
  input.mi.dy = MulDiv(y, 65535, GetSystemMetrics(SM_CYSCREEN) - 1);
  input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
  SendInput(1, &input, sizeof input);
}

#pragma pack(push, 2)
struct TGroupIconEntry {
  BYTE Width, Height, ColorCount, Reserved;
  WORD Planes, BitCount;
  DWORD BytesInRes;
  WORD Id;
};
#pragma pack(pop)

// The sizes of the 24-bit images of the program's group icon "WDAP".
std::vector<int> IconSizesOf(const std::string& path) {
  std::vector<int> sizes;
  HMODULE file = LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  if (!file) return sizes;
  HRSRC group = FindResourceA(file, "WDAP", MAKEINTRESOURCEA(14));  // RT_GROUP_ICON
  const BYTE* data =
      group ? static_cast<const BYTE*>(LockResource(LoadResource(file, group))) : nullptr;
  if (data) {
    const WORD count = reinterpret_cast<const WORD*>(data)[2];
    const auto* entries = reinterpret_cast<const TGroupIconEntry*>(data + 6);
    for (WORD i = 0; i < count; ++i) {
      if (entries[i].BitCount == 24) sizes.push_back(entries[i].Width);
    }
  }
  FreeLibrary(file);
  return sizes;
}

// How many nodes of a parsed document an XPath expression selects.
long CountNodes(IXMLDOMDocument2& document, const wchar_t* path) {
  IXMLDOMNodeList* nodes = nullptr;
  long count = -1;
  const BSTR text = SysAllocString(path);
  if (document.selectNodes(text, &nodes) == S_OK) {
    nodes->get_length(&count);
    nodes->Release();
  }
  SysFreeString(text);
  return count;
}

// The pointer moved to the middle of a window, as the user's hand moves it.
void PointAt(HWND window) {
  RECT r;
  GetWindowRect(window, &r);
  const POINT target{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  MovePointer(target.x, target.y);
  // The move goes through the display: a press sent before it has landed
  // would fall where the pointer was (at first the screen's centre, "Open").
  WaitUntil(
      [&] {
        POINT at{};
        return GetCursorPos(&at) && std::abs(at.x - target.x) <= 1 &&
               std::abs(at.y - target.y) <= 1;
      },
      1s);
}

void PressLeftButton() {
  INPUT inputs[2] = {};
  inputs[0].type = inputs[1].type = INPUT_MOUSE;
  inputs[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
  inputs[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
  SendInput(2, inputs, sizeof inputs[0]);
}

// A real left click in the middle of a window, as the user's pointer makes it.
void Click(HWND window) {
  PointAt(window);
  PressLeftButton();
}

void PressKey(WORD key, bool shift = false) {
  std::vector<INPUT> inputs;
  auto add = [&](WORD vk, bool up) {
    INPUT input = {};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = vk;
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    inputs.push_back(input);
  };
  if (shift) add(VK_SHIFT, false);
  add(key, false);
  add(key, true);
  if (shift) add(VK_SHIFT, true);
  SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

HWND FocusOf(HWND window) {
  GUITHREADINFO info = {};
  info.cbSize = sizeof info;
  GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info);
  return info.hwndFocus;
}

bool Checked(HWND box) { return SendMessageA(box, BM_GETCHECK, 0, 0) == BST_CHECKED; }

// The control has the program's focus and the pointer is let go: a click on
// it has been taken from the queue to its end.
bool ClickTaken(HWND window) {
  GUITHREADINFO info = {};
  info.cbSize = sizeof info;
  GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info);
  return info.hwndFocus == window && info.hwndCapture == nullptr;
}

// A click on a button, once the program has handled it. A repeated click on the
// focused control is awaited by its caller, through its effect.
void ClickAndSettle(TProgram& program, HWND window) {
  Click(window);
  EXPECT_TRUE(WaitUntil([&] { return ClickTaken(window); })) << "the click never arrived";
  EXPECT_TRUE(program.Responds());
}

TEST(ProgramCredit, SwitchShowsOnlyTheCreditBoxAndExitsWithZero) {
  for (const char* arguments : {"/iw", "\"/iw\""}) {
    SCOPED_TRACE(arguments);
    TProgram program(arguments);
    ASSERT_TRUE(program.Process().Started());
    HWND box = program.Process().WaitForBox("Weldra Info");
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(TChildProcess::BoxWideText(box), kCredit);
    EXPECT_EQ(program.MainWindow(0ms), nullptr) << "a main window came with the credit box";
    EXPECT_TRUE(TChildProcess::PressOk(box));
    EXPECT_EQ(program.Process().WaitForExit(), 0u);
  }
}

TEST(ProgramCredit, AnythingElseStartsTheWindow) {
  for (const char* arguments : {"/IW", "/iwx", "x /iw"}) {
    SCOPED_TRACE(arguments);
    TProgram program(arguments);
    ASSERT_NE(program.MainWindow(), nullptr);
    EXPECT_EQ(program.Close(), 0u);
  }
}

TEST(ProgramWindow, StartsCentredWithItsFiveControls) {
  TProgram program;
  HWND main = program.MainWindow();
  ASSERT_NE(main, nullptr);
  EXPECT_EQ(TextOf(main), L"Form");
  RECT r;
  GetWindowRect(main, &r);
  EXPECT_EQ(r.right - r.left, 119);
  EXPECT_EQ(r.bottom - r.top, 209);
  EXPECT_EQ(r.left, (GetSystemMetrics(SM_CXSCREEN) - 119) / 2);
  EXPECT_EQ(r.top, (GetSystemMetrics(SM_CYSCREEN) - 209) / 2);
  const LONG_PTR style = GetWindowLongPtrA(main, GWL_STYLE);
  const LONG_PTR exStyle = GetWindowLongPtrA(main, GWL_EXSTYLE);
  EXPECT_EQ(style & WS_CAPTION, WS_CAPTION);
  EXPECT_EQ(style & WS_SIZEBOX, 0);
  EXPECT_NE(exStyle & WS_EX_TOOLWINDOW, 0);
  // Wine answers WM_GETICON from another process with 0, so the icon is looked
  // at in the program's file: the group "WDAP" with its two images.
  EXPECT_EQ(IconSizesOf(ProgramPath()), (std::vector<int>{16, 32}));

  struct TExpected {
    std::wstring caption;
    const char* className;
    RECT bounds;
    bool enabled;
  };
  const TExpected expected[] = {
      {kOn, "obj_BUTTON", {5, 5, 105, 30}, false},
      {kOff, "obj_BUTTON", {5, 35, 105, 60}, false},
      {L"Open", "obj_BUTTON", {5, 65, 105, 90}, true},
      {L"RTS", "obj_BUTTON", {30, 100, 85, 120}, true},
      {L"DTR", "obj_BUTTON", {30, 130, 85, 150}, true},
  };
  EXPECT_EQ(program.Children().size(), 5u);
  for (const TExpected& e : expected) {
    SCOPED_TRACE(e.caption);
    HWND child = program.Child(e.caption);
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(ClassOf(child), e.className);
    RECT b;
    GetWindowRect(child, &b);
    MapWindowPoints(nullptr, main, reinterpret_cast<POINT*>(&b), 2);
    EXPECT_EQ(b.left, e.bounds.left);
    EXPECT_EQ(b.top, e.bounds.top);
    EXPECT_EQ(b.right, e.bounds.right);
    EXPECT_EQ(b.bottom, e.bounds.bottom);
    EXPECT_EQ(IsWindowEnabled(child) != 0, e.enabled);
  }
  EXPECT_FALSE(Checked(program.Child("RTS")));
  EXPECT_FALSE(Checked(program.Child("DTR")));
  EXPECT_EQ(program.Close(), 0u);
}

// A malformed manifest (resource type 24, id 1) stops the program on Windows
// before it starts: it is parsed with the system's XML parser, and its
// settings are looked up.
TEST(ProgramWindow, ManifestIsWellFormedAndAsksForWhatTheProgramNeeds) {
  HMODULE file = LoadLibraryExA(ProgramPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  HRSRC found = FindResourceA(file, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24));
  ASSERT_NE(found, nullptr) << "no manifest";
  const char* text = static_cast<const char*>(LockResource(LoadResource(file, found)));
  const std::wstring manifest(text, text + SizeofResource(file, found));
  FreeLibrary(file);
  ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
  CLSID parser = {};
  ASSERT_EQ(CLSIDFromProgID(L"Msxml2.DOMDocument.3.0", &parser), S_OK);
  // IXMLDOMDocument2, which the import libraries lack.
  const IID document2 = {0x2933bf95, 0x7b36, 0x11d2, {0xb2, 0x0e, 0, 0xc0, 0x4f, 0x98, 0x3e, 0x60}};
  IXMLDOMDocument2* document = nullptr;
  ASSERT_EQ(CoCreateInstance(parser, nullptr, CLSCTX_INPROC_SERVER, document2,
                             reinterpret_cast<void**>(&document)),
            S_OK);
  VARIANT_BOOL wellFormed = VARIANT_FALSE;
  const wchar_t* strings[] = {
      manifest.c_str(), L"SelectionLanguage", L"XPath", L"SelectionNamespaces",
      L"xmlns:a='urn:schemas-microsoft-com:asm.v1' xmlns:v3='urn:schemas-microsoft-com:asm.v3' "
      L"xmlns:c='urn:schemas-microsoft-com:compatibility.v1' "
      L"xmlns:s='http://schemas.microsoft.com/SMI/2017/WindowsSettings'"};
  BSTR b[5];
  for (int i = 0; i < 5; ++i) b[i] = SysAllocString(strings[i]);
  document->loadXML(b[0], &wellFormed);
  EXPECT_EQ(wellFormed, VARIANT_TRUE) << "not well-formed XML";
  for (int i = 1; i < 5; i += 2) {
    VARIANT value = {};
    V_VT(&value) = VT_BSTR;
    V_BSTR(&value) = b[i + 1];
    EXPECT_EQ(document->setProperty(b[i], value), S_OK);
  }
  const struct {
    const wchar_t* path;
    long count;
  } expected[] = {
      {L"/a:assembly/c:compatibility/c:application/c:supportedOS", 4},
      {L"//c:supportedOS[@Id='{35138b9a-5d96-4fbd-8e2d-a2440225f93a}']", 1},  // Windows 7
      {L"//c:supportedOS[@Id='{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}']", 1},  // Windows 8
      {L"//c:supportedOS[@Id='{1f676c76-80e1-4239-95bb-83d0f6d0da78}']", 1},  // Windows 8.1
      {L"//c:supportedOS[@Id='{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}']", 1},  // Windows 10, 11
      {L"/a:assembly/v3:trustInfo/v3:security/v3:requestedPrivileges/"
       L"v3:requestedExecutionLevel[@level='asInvoker']",
       1},
      {L"/a:assembly/v3:application/v3:windowsSettings/s:gdiScaling[.='true']", 1},
      // No side-by-side dependency (Common Controls 6 above all), no DPI awareness.
      {L"//*[local-name()='dependency' or starts-with(local-name(), 'dpiAware')]", 0},
  };
  for (const auto& e : expected) EXPECT_EQ(CountNodes(*document, e.path), e.count) << e.path;
  for (BSTR text : b) SysFreeString(text);
  document->Release();
  CoUninitialize();
}

// Windows looks for a DLL that is not one of its known DLLs in the program's
// folder first; Wine's override preferring a DLL found there, set for this
// copy alone, stands in for that order (a child ignores WINEDLLOVERRIDES set
// by its Windows parent). A comctl32.dll left beside it must never run.
TEST(ProgramWindow, CommonControlsPlantedBesideTheProgramAreNeverLoaded) {
  const std::string folder = SiblingPath("planted\\"), mark = folder + "comctl32.dll.loaded";
  CreateDirectoryA(folder.c_str(), nullptr);
  DeleteFileA(mark.c_str());
  ASSERT_TRUE(CopyFileA(ProgramPath().c_str(), (folder + "downloaded.exe").c_str(), FALSE));
  ASSERT_TRUE(CopyFileA(PLANTED_DLL_PATH, (folder + "comctl32.dll").c_str(), FALSE));
  struct TOverride {
    const char* key = "Software\\Wine\\AppDefaults\\downloaded.exe";
    ~TOverride() { RegDeleteTreeA(HKEY_CURRENT_USER, key); }
  } preferNative;
  ASSERT_EQ(
      RegSetKeyValueA(HKEY_CURRENT_USER, (std::string(preferNative.key) + "\\DllOverrides").c_str(),
                      "comctl32", REG_SZ, "native,builtin", 15),
      ERROR_SUCCESS);
  TProgram program(folder + "downloaded.exe", "");
  ASSERT_NE(program.MainWindow(), nullptr);
  EXPECT_EQ(GetFileAttributesA(mark.c_str()), INVALID_FILE_ATTRIBUTES) << "the planted DLL ran";
  EXPECT_EQ(program.Close(), 0u);
}

TEST(ProgramSerial, OneClickIsOneByteOnTheLine) {
  TPeerPort peer("COM4");
  ASSERT_TRUE(peer.IsOpen());
  TProgram program;
  ASSERT_NE(program.MainWindow(), nullptr);
  HWND on = program.Child(kOn), off = program.Child(kOff), open = program.Child("Open");
  ASSERT_TRUE(on && off && open);
  // Nothing this program does before "Open" can reach the line: whatever comes
  // now was sent by an earlier test and is still crossing the null-modem.
  peer.Drain(300);

  ClickAndSettle(program, open);
  EXPECT_TRUE(WaitUntil([&] { return IsWindowEnabled(on) && IsWindowEnabled(off); }));
  ClickAndSettle(program, on);
  EXPECT_EQ(peer.Read(2, 1000), "A");
  ClickAndSettle(program, off);
  EXPECT_EQ(peer.Read(2, 1000), "B");

  // A second "Open" leaves the port as it is: still one byte a click.
  ClickAndSettle(program, open);
  ClickAndSettle(program, on);
  EXPECT_EQ(peer.Read(2, 1000), "A");

  // The boxes toggle without a byte on the line.
  HWND rts = program.Child("RTS"), dtr = program.Child("DTR");
  ClickAndSettle(program, rts);
  ClickAndSettle(program, dtr);
  EXPECT_TRUE(WaitUntil([&] { return Checked(rts) && Checked(dtr); }, 2s));
  ClickAndSettle(program, rts);
  EXPECT_TRUE(WaitUntil([&] { return !Checked(rts); }, 2s));
  EXPECT_EQ(peer.Read(1, 200), "");

  EXPECT_EQ(program.Close(), 0u);
}

// The keyboard alone, before the pointer has touched the window: the first
// button starts disabled, and the focus goes to "Open" all the same.
TEST(ProgramSerial, KeyboardAloneWorksFromTheStart) {
  TPeerPort peer("COM4");
  TProgram program;
  HWND main = program.MainWindow();
  ASSERT_TRUE(peer.IsOpen() && main);
  HWND on = program.Child(kOn), off = program.Child(kOff);
  peer.Drain(300);
  ASSERT_TRUE(program.Responds(10000)) << "the start is not over";
  EXPECT_TRUE(WaitUntil([&] { return FocusOf(main) == program.Child("Open"); })) << "not on Open";
  PressKey(VK_SPACE);
  ASSERT_TRUE(WaitUntil([&] { return IsWindowEnabled(on) && IsWindowEnabled(off); }));
  // On through the boxes, and round to the first button.
  for (HWND next : {program.Child("RTS"), program.Child("DTR"), on}) {
    PressKey(VK_TAB);
    ASSERT_TRUE(WaitUntil([&] { return FocusOf(main) == next; }, 2s)) << TextOf(next);
  }
  PressKey(VK_SPACE);
  EXPECT_EQ(peer.Read(2, 1000), "A");
  EXPECT_EQ(program.Close(), 0u);
}

// The modem lines the far end sees: COM3's RTS arrives at COM4 as CTS, its DTR
// as DSR and DCD (RLSD).
DWORD LinesSeenBy(TPeerPort& peer) {
  DWORD status = 0;
  if (!GetCommModemStatus(peer.Handle(), &status)) return 0xFFFFFFFF;
  return status & (MS_CTS_ON | MS_DSR_ON | MS_RLSD_ON);
}

TEST(ProgramLines, EachBoxDrivesItsOwnLineAndOnlyWhileThePortIsOpen) {
  TPeerPort peer("COM4");
  ASSERT_TRUE(peer.IsOpen());
  ASSERT_EQ(LinesSeenBy(peer), 0u) << "the far end starts with COM3's lines low";
  TProgram program;
  ASSERT_NE(program.MainWindow(), nullptr);
  HWND rts = program.Child("RTS"), dtr = program.Child("DTR"), open = program.Child("Open");
  ASSERT_TRUE(rts && dtr && open);

  // Checked before "Open": no line call reaches the device, and the port
  // opens with both lines low all the same.
  ClickAndSettle(program, rts);
  ClickAndSettle(program, dtr);
  ASSERT_TRUE(WaitUntil([&] { return Checked(rts) && Checked(dtr); }, 2s));
  EXPECT_TRUE(program.Responds());
  EXPECT_EQ(LinesSeenBy(peer), 0u);
  ClickAndSettle(program, open);
  ASSERT_TRUE(WaitUntil([&] { return IsWindowEnabled(program.Child(kOn)) != 0; }));
  std::this_thread::sleep_for(200ms);
  EXPECT_EQ(LinesSeenBy(peer), 0u) << "both lines low after Open, whatever the boxes show";

  const DWORD kRts = MS_CTS_ON, kDtr = MS_DSR_ON | MS_RLSD_ON;
  const struct {
    const char* box;
    bool checked;
    DWORD seen;
  } steps[] = {
      {"RTS", false, 0},    {"RTS", true, kRts}, {"DTR", false, kRts}, {"DTR", true, kRts | kDtr},
      {"RTS", false, kDtr}, {"DTR", false, 0},   {"DTR", true, kDtr},  {"DTR", false, 0},
  };
  for (const auto& step : steps) {
    SCOPED_TRACE(std::string(step.box) + (step.checked ? " checked" : " cleared"));
    HWND box = program.Child(step.box);
    ClickAndSettle(program, box);
    // The pointer's click comes through the display: it may land a moment later.
    EXPECT_TRUE(WaitUntil([&] { return Checked(box) == step.checked; }, 2s));
    EXPECT_TRUE(program.Responds()) << "the click's handling has ended";
    EXPECT_TRUE(WaitUntil([&] { return LinesSeenBy(peer) == step.seen; }, 1s))
        << std::hex << "the far end sees 0x" << LinesSeenBy(peer) << ", not 0x" << step.seen;
  }

  // Closing the program closes the port: its lines drop.
  ClickAndSettle(program, rts);
  ASSERT_TRUE(WaitUntil([&] { return LinesSeenBy(peer) == kRts; }, 1s));
  EXPECT_EQ(program.Close(), 0u);
  EXPECT_TRUE(WaitUntil([&] { return LinesSeenBy(peer) == 0; }, 2s));
}

// Runs a command of the machine the test world lives on: Wine starts a native
// program as a process of that machine. Its handle cannot be waited on; the
// callers look for its effect instead.
void RunNative(const std::string& commandLine) {
  std::string line = commandLine;
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info = {};
  ASSERT_TRUE(CreateProcessA("Z:\\bin\\bash", line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                             nullptr, &startup, &info));
  CloseHandle(info.hThread);
  CloseHandle(info.hProcess);
}

// A window's client area as the screen shows it, once two looks agree.
std::vector<std::uint32_t> ClientPicture(HWND window) {
  RECT r{};
  GetClientRect(window, &r);
  MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&r), 2);
  const int w = r.right - r.left, h = r.bottom - r.top;
  HDC screen = GetDC(nullptr), memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, w, h);
  HGDIOBJ old = SelectObject(memory, bitmap);
  std::vector<std::uint32_t> picture(w * h), last;
  WaitUntil([&] {
    last = picture;
    DWORD_PTR answer = 0;
    SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 2000, &answer);
    BitBlt(memory, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
    GetBitmapBits(bitmap, w * h * 4, picture.data());
    return picture == last;
  });
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return picture;
}

// Under any code page the form's client area is drawn as under the Cyrillic one,
// pixel for pixel (the title bar's font is the locale's own).
TEST(ProgramWindow, ClientAreaIsDrawnAsUnderTheCyrillicCodePage) {
  MovePointer(0, 0);
  TProgram program;
  ASSERT_NE(program.MainWindow(), nullptr);
  const std::vector<std::uint32_t> here = ClientPicture(program.MainWindow());
  EXPECT_EQ(program.Close(), 0u);
  // Started from the machine's side: Wine hands its own locale on to children.
  RunNative("bash -c \"LANG=ru_RU.UTF-8 LC_ALL=ru_RU.UTF-8 exec " WINE_RUN_SCRIPT " " +
            ProgramPath().substr(2) + "\"");
  HWND cyrillic = nullptr;
  ASSERT_TRUE(WaitUntil(
      [&] { return (cyrillic = FindWindowA("obj_Form", "Form")) && IsWindowVisible(cyrillic); },
      15s));
  EXPECT_TRUE(ClientPicture(cyrillic) == here) << "code page " << GetACP();
  PostMessageA(cyrillic, WM_CLOSE, 0, 0);
  EXPECT_TRUE(WaitUntil([&] { return !IsWindow(cyrillic); }));
}

// Through Z:, except for names that are device names before their dot (COM3,
// com4.anything): those always name the device.
bool Exists(const std::string& unixPath) {
  return GetFileAttributesA(("Z:" + unixPath).c_str()) != INVALID_FILE_ATTRIBUTES;
}

// The test world's folder of null-modem pairs, as a Unix path.
std::string PortsFolder() {
  char ports[MAX_PATH] = {};
  GetEnvironmentVariableA("COMSWITCH_PORTS", ports, sizeof ports);
  return ports;
}

// The words of a file of the machine, read through Z:.
std::vector<std::string> WordsOf(const std::string& unixPath) {
  std::vector<std::string> words;
  const HANDLE file = CreateFileA(("Z:" + unixPath).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return words;
  std::string text(1 << 14, '\0');
  DWORD got = 0;
  ReadFile(file, text.data(), static_cast<DWORD>(text.size()), &got, nullptr);
  CloseHandle(file);
  text.resize(got);
  std::string word;
  for (const char c : text + " ") {
    if (c == ' ' || c == ';' || c == '\n' || c == '\t') {
      if (!word.empty()) words.push_back(word);
      word.clear();
    } else {
      word += c;
    }
  }
  return words;
}

// The line as the device sees it while the program holds it open, read from
// the pty's own settings.
TEST(ProgramLines, DeviceIsSetTo19200EightDataBitsNoParityOneStopBit) {
  const std::string ports = PortsFolder();
  ASSERT_FALSE(ports.empty()) << "the test world names its null-modem folder";
  TProgram program;
  ASSERT_NE(program.MainWindow(), nullptr);
  ClickAndSettle(program, program.Child("Open"));
  ASSERT_TRUE(WaitUntil([&] { return IsWindowEnabled(program.Child(kOn)) != 0; }));

  const std::string output = ports + "/stty-com3.txt";
  DeleteFileA(("Z:" + output).c_str());
  RunNative("bash -c \"stty -a -F " + ports + "/com3 >" + output + ".new && mv " + output +
            ".new " + output + "\"");
  ASSERT_TRUE(WaitUntil([&] { return Exists(output); }, 10s)) << "stty gave no answer";
  const std::vector<std::string> words = WordsOf(output);
  DeleteFileA(("Z:" + output).c_str());
  auto has = [&](const std::string& word) {
    return std::find(words.begin(), words.end(), word) != words.end();
  };
  const auto speed = std::find(words.begin(), words.end(), "speed");
  ASSERT_NE(speed, words.end());
  ASSERT_LT(speed + 1, words.end());
  EXPECT_EQ(*(speed + 1), "19200");
  // A pty keeps the speed, the stop bits and the kind of parity; it forces cs8
  // and -parenb itself, whatever was asked for, so those two are not read here.
  for (const char* setting : {"-parodd", "-cmspar", "-cstopb"}) {
    EXPECT_TRUE(has(setting)) << setting;
  }
  EXPECT_EQ(program.Close(), 0u);
}

// The COM3<->COM4 null-modem of the test world cut for as long as the object
// lives, as when a USB adapter is pulled; made again afterwards for the tests
// that follow.
class TCutLine {
 public:
  TCutLine() {
    char ports[MAX_PATH] = {};
    GetEnvironmentVariableA("COMSWITCH_PORTS", ports, sizeof ports);
    folder_ = ports;
    EXPECT_FALSE(folder_.empty()) << "the test world names its null-modem folder";
    RunNative("bash " + script_ + " cut " + folder_ + " com3");
    cut_ = WaitUntil([&] { return !Exists(folder_ + "/socat-com3.pid"); });
    EXPECT_TRUE(cut_);
  }
  ~TCutLine() {
    RunNative("bash " + script_ + " make " + folder_ + " com3 com4");
    EXPECT_TRUE(WaitUntil([] { return TPeerPort("COM4").IsOpen(); }))
        << "the null-modem did not come back";
  }
  TCutLine(const TCutLine&) = delete;
  TCutLine& operator=(const TCutLine&) = delete;

  bool Cut() const { return cut_; }

 private:
  std::string folder_;
  const std::string script_ = NULL_MODEM_SCRIPT;
  bool cut_ = false;
};

// No COM3 in the world: "Open" still enables the buttons, which send nothing,
// and the program goes on working.
TEST(ProgramSerial, MissingPortStillEnablesTheButtons) {
  TCutLine cut;
  ASSERT_TRUE(cut.Cut());
  TProgram program;
  ASSERT_NE(program.MainWindow(), nullptr);
  HWND on = program.Child(kOn), off = program.Child(kOff);
  ClickAndSettle(program, program.Child("Open"));
  EXPECT_TRUE(WaitUntil([&] { return IsWindowEnabled(on) && IsWindowEnabled(off); }));
  ClickAndSettle(program, on);
  ClickAndSettle(program, off);
  ClickAndSettle(program, program.Child("RTS"));
  EXPECT_TRUE(program.Responds());
  EXPECT_EQ(program.Close(), 0u);
}

// The far end goes away while the port is open: every click still returns
// within the write bound, and the program closes.
TEST(ProgramSerial, VanishedFarEndLeavesEveryClickBounded) {
  TProgram program;
  ASSERT_NE(program.MainWindow(), nullptr);
  HWND on = program.Child(kOn), off = program.Child(kOff);
  ClickAndSettle(program, program.Child("Open"));
  ASSERT_TRUE(WaitUntil([&] { return IsWindowEnabled(on) != 0; }));

  std::optional<TCutLine> cut(std::in_place);
  ASSERT_TRUE(cut->Cut());
  for (HWND button : {on, off, on}) {
    PointAt(button);
    const auto start = std::chrono::steady_clock::now();
    PressLeftButton();
    EXPECT_TRUE(WaitUntil([&] { return ClickTaken(button); }, 10s));
    EXPECT_TRUE(program.Responds(10000));
    // A byte's write bound is 1 s + 100 ms and a margin of 500 ms: at most
    // three times that, however loaded the machine.
    EXPECT_LT(std::chrono::steady_clock::now() - start, 3 * 1600ms);
  }
  // Once it is back, "Open" opens the port anew: a click is one byte again.
  cut.reset();
  TPeerPort peer("COM4");
  ClickAndSettle(program, program.Child("Open"));
  ClickAndSettle(program, on);
  EXPECT_EQ(peer.Read(2, 1000), "A");
  EXPECT_EQ(program.Close(), 0u);
}

#ifdef BOARD_PORT_SCRIPT
std::string EnvironmentOf(const char* name) {
  char value[MAX_PATH] = {};
  GetEnvironmentVariableA(name, value, sizeof value);
  return value;
}

// The simulated relay board on COM3 for as long as the object lives: the
// README's sketch on a simulated Uno, whose relay changes are read from what
// the board reports. COM3 leads back to the null-modem afterwards.
class TBoardOnCom3 {
 public:
  TBoardOnCom3()
      : folder_(EnvironmentOf("COMSWITCH_PORTS")),
        device_(EnvironmentOf("WINEPREFIX") + "/dosdevices/com3") {
    EXPECT_FALSE(folder_.empty()) << "the test world names its ports folder";
    RunNative("bash " + script_ + " on " BOARD_DIR " " + folder_ + " " + device_);
    running_ = WaitUntil([&] { return Exists(folder_ + "/board.pid"); }, 10s);
  }
  ~TBoardOnCom3() {
    RunNative("bash " + script_ + " off " + folder_ + " " + device_);
    EXPECT_TRUE(WaitUntil([&] { return !Exists(folder_ + "/board.pid"); }))
        << "the board did not stop";
  }
  TBoardOnCom3(const TBoardOnCom3&) = delete;
  TBoardOnCom3& operator=(const TBoardOnCom3&) = delete;

  bool Running() const { return running_; }

  std::string Log() const {
    std::string text;
    HANDLE file =
        CreateFileA(("Z:" + folder_ + "/board.log").c_str(), GENERIC_READ,
                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return text;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0)
      text.append(buffer, got);
    CloseHandle(file);
    return text;
  }

  // How often the board has said the words so far.
  std::size_t Count(const std::string& words) const {
    const std::string text = Log();
    std::size_t count = 0;
    for (std::size_t at = text.find(words); at != std::string::npos; at = text.find(words, at + 1))
      ++count;
    return count;
  }

  // Every switching of the relay so far, "ON" or "OFF" each, from lines
  // such as "14:02:11.253  relay ON".
  std::vector<std::string> Relay() const {
    std::vector<std::string> states;
    const std::string text = Log(), marker = "  relay ";
    for (std::size_t at = text.find(marker); at != std::string::npos;
         at = text.find(marker, at + 1)) {
      const std::size_t end = text.find('\n', at);
      states.push_back(text.substr(at + marker.size(), end - at - marker.size()));
    }
    return states;
  }

 private:
  std::string folder_, device_;
  const std::string script_ = BOARD_PORT_SCRIPT;
  bool running_ = false;
};

// The whole road: the pointer, the program, Wine's serial port, the pty, the
// simulated chip's UART and the sketch's digitalWrite on pin 7.
TEST(ProgramBoard, OnAndOffSwitchTheSimulatedRelay) {
  using TStates = std::vector<std::string>;
  TBoardOnCom3 board;
  ASSERT_TRUE(board.Running()) << board.Log();
  {
    TProgram program;
    ASSERT_NE(program.MainWindow(), nullptr);
    HWND on = program.Child(kOn), off = program.Child(kOff);
    ClickAndSettle(program, program.Child("Open"));
    ASSERT_TRUE(WaitUntil([&] { return IsWindowEnabled(on) != 0; }));
    ClickAndSettle(program, on);
    EXPECT_TRUE(WaitUntil([&] { return board.Relay() == TStates{"ON"}; }, 2s)) << board.Log();
    ClickAndSettle(program, off);
    EXPECT_TRUE(WaitUntil(
        [&] {
          return board.Relay() == TStates{"ON", "OFF"};
        },
        2s))
        << board.Log();
    EXPECT_EQ(program.Close(), 0u);
  }

  // Bytes other than A and B leave the relay as it is; the A after them shows
  // that the line still carried them to the board.
  TPeerPort line("COM3");
  ASSERT_TRUE(line.IsOpen());
  EXPECT_EQ(line.Write(std::string_view("a b\r\n\x00\xC1\xFF?", 9)), 9u);
  std::this_thread::sleep_for(500ms);
  EXPECT_EQ(board.Relay(), (TStates{"ON", "OFF"})) << board.Log();
  EXPECT_EQ(line.Write("A"), 1u);
  EXPECT_TRUE(WaitUntil(
      [&] {
        return board.Relay() == TStates{"ON", "OFF", "ON"};
      },
      2s))
      << board.Log();
}

// Ticking "DTR" resets the board, as it resets an Uno: the relay drops, and
// the sketch listens again after the bootloader's wait. Neither "Open" nor
// unticking resets it.
TEST(ProgramBoard, TickingDtrResetsTheBoardAsItResetsAnUno) {
  TBoardOnCom3 board;
  ASSERT_TRUE(board.Running()) << board.Log();
  const auto relayWent = [&](std::vector<std::string> states) {
    return [&board, states] { return board.Relay() == states; };
  };
  TProgram program;
  ASSERT_NE(program.MainWindow(), nullptr);
  HWND on = program.Child(kOn), off = program.Child(kOff), dtr = program.Child("DTR");
  ClickAndSettle(program, program.Child("Open"));
  ASSERT_TRUE(WaitUntil([&] { return IsWindowEnabled(on) != 0; }));
  ClickAndSettle(program, on);
  ASSERT_TRUE(WaitUntil(relayWent({"ON"}), 2s)) << board.Log();
  ClickAndSettle(program, dtr);
  EXPECT_TRUE(WaitUntil(relayWent({"ON", "OFF"}), 1s)) << board.Log();
  ASSERT_TRUE(WaitUntil([&] { return board.Count("board runs the sketch") == 1; })) << board.Log();
  ClickAndSettle(program, on);
  EXPECT_TRUE(WaitUntil(relayWent({"ON", "OFF", "ON"}), 2s)) << board.Log();
  ClickAndSettle(program, dtr);
  ClickAndSettle(program, off);
  EXPECT_TRUE(WaitUntil(relayWent({"ON", "OFF", "ON", "OFF"}), 2s)) << board.Log();
  EXPECT_EQ(board.Count("board reset (DTR)"), 1u) << board.Log();
  EXPECT_EQ(program.Close(), 0u);
}
#endif

TEST(ProgramExit, LogOffWithThePortOpenExitsWithZero) {
  TPeerPort peer("COM4");
  TProgram program;
  HWND main = program.MainWindow();
  ASSERT_NE(main, nullptr);
  ClickAndSettle(program, program.Child("Open"));
  PostMessageA(main, WM_ENDSESSION, TRUE, 0);
  EXPECT_EQ(program.Process().WaitForExit(10s), 0u);
}

}  // namespace
