#pragma once

#include <windows.h>

inline void FillWith(HDC dc, int w, int h, COLORREF color) {
  HBRUSH brush = CreateSolidBrush(color);
  RECT r{0, 0, w, h};
  FillRect(dc, &r, brush);
  DeleteObject(brush);
}

// A memory DC over a screen-compatible bitmap, filled with one colour.
struct Canvas {
  Canvas(int w, int h, COLORREF fill) {
    HDC screen = GetDC(nullptr);
    dc = CreateCompatibleDC(screen);
    bitmap = CreateCompatibleBitmap(screen, w, h);
    ReleaseDC(nullptr, screen);
    old = SelectObject(dc, bitmap);
    FillWith(dc, w, h, fill);
  }
  ~Canvas() {
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
  }
  COLORREF At(int x, int y) const { return GetPixel(dc, x, y); }
  HDC dc;
  HBITMAP bitmap;
  HGDIOBJ old;
};

// A colour no painting code of the toolkit produces by itself.
constexpr COLORREF kSentinel = RGB(255, 0, 255);
