#pragma once

#include <windows.h>

#include <cstdint>

#include "toolkit/obj.h"

class TBitmap;
using TBitmapProc = void (*)(TBitmap* bitmap);

constexpr std::uint8_t kDeviceDependentBitmap = 1;

// A device-dependent bitmap of a given size, drawn as a whole.
class TBitmap : public TObj {
 public:
  std::int32_t BitmapHeight = 0;
  std::int32_t BitmapWidth = 0;
  HBITMAP BitmapHandle = nullptr;
  TBitmapProc BeforeUse = nullptr;  // called before the handle is drawn from
  std::uint8_t HandleType = 0;

  // True when the bitmap has no pixels.
  bool Empty() const { return BitmapWidth == 0 || BitmapHeight == 0; }
  // Copies the bitmap to `dc` with its top-left corner at (x, y).
  void Draw(HDC dc, int x, int y);
  // Deletes the pixels and leaves an empty bitmap.
  void Clear();

 protected:
  ~TBitmap() override;
};

// A bitmap compatible with the screen; one of size 0 in either direction stays empty.
TBitmap* NewBitmap(int width, int height);
