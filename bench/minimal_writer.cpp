// The baseline of a click's road to the line: a window that, for every WM_APP
// it receives, writes one byte to COM3 with one overlapped WriteFile and waits
// for it to complete, as comswitch does for a click. Built with the shipped
// program's flags.
#include <windows.h>

namespace {

HANDLE Port = INVALID_HANDLE_VALUE;
HANDLE WriteDone = nullptr;

void WriteOneByte() {
  OVERLAPPED overlapped = {};
  overlapped.hEvent = WriteDone;
  static const char kByte = 'A';
  DWORD written = 0;
  if (!WriteFile(Port, &kByte, 1, &written, &overlapped) && GetLastError() == ERROR_IO_PENDING) {
    GetOverlappedResult(Port, &overlapped, &written, TRUE);
  }
}

LRESULT CALLBACK WriterWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_APP: WriteOneByte(); return 0;
    case WM_DESTROY: PostQuitMessage(0); return 0;
    default: return DefWindowProcA(window, message, wParam, lParam);
  }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  Port = CreateFileA("\\\\.\\COM3", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                     FILE_FLAG_OVERLAPPED, nullptr);
  if (Port == INVALID_HANDLE_VALUE) return 2;
  DCB line = {};
  line.DCBlength = sizeof line;
  GetCommState(Port, &line);
  line.BaudRate = 19200;
  line.ByteSize = 8;
  line.Parity = NOPARITY;
  line.StopBits = ONESTOPBIT;
  line.fBinary = 1;
  SetCommState(Port, &line);
  WriteDone = CreateEventA(nullptr, TRUE, FALSE, nullptr);

  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = &WriterWindowProc;
  windowClass.hInstance = instance;
  windowClass.lpszClassName = "MinimalWriter";
  if (!RegisterClassA(&windowClass)) return 1;
  HWND window = CreateWindowExA(WS_EX_TOOLWINDOW, windowClass.lpszClassName, "Writer",
                                WS_CAPTION | WS_SYSMENU | WS_VISIBLE, 0, 0, 119, 209, nullptr,
                                nullptr, instance, nullptr);
  if (!window) return 1;
  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) DispatchMessageA(&message);
  CloseHandle(WriteDone);
  CloseHandle(Port);
  return 0;
}
