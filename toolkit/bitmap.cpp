#include "toolkit/bitmap.h"

namespace {
void NothingBeforeUse(TBitmap*) {}
}  // namespace

TBitmap* NewBitmap(int width, int height) {
  TBitmap* bitmap = NewObj<TBitmap>();
  bitmap->HandleType = kDeviceDependentBitmap;
  bitmap->BeforeUse = NothingBeforeUse;
  bitmap->BitmapWidth = width;
  bitmap->BitmapHeight = height;
  if (width != 0 && height != 0) {
    HDC screen = GetDC(nullptr);
    bitmap->BitmapHandle = CreateCompatibleBitmap(screen, width, height);
    ReleaseDC(nullptr, screen);
  }
  return bitmap;
}

void TBitmap::Draw(HDC dc, int x, int y) {
  if (Empty() || !BitmapHandle) return;
  BeforeUse(this);
  // The handle's own height counts; the platform record has its own size per architecture.
  BITMAP info{};
  const int height = GetObjectA(BitmapHandle, sizeof(info), &info) ? info.bmHeight : BitmapHeight;
  HDC memory = CreateCompatibleDC(nullptr);
  HGDIOBJ previous = SelectObject(memory, BitmapHandle);
  BitBlt(dc, x, y, BitmapWidth, height, memory, 0, 0, SRCCOPY);
  SelectObject(memory, previous);
  DeleteDC(memory);
}

void TBitmap::Clear() {
  if (BitmapHandle) DeleteObject(BitmapHandle);
  BitmapHandle = nullptr;
  BitmapWidth = 0;
  BitmapHeight = 0;
}

TBitmap::~TBitmap() { Clear(); }
