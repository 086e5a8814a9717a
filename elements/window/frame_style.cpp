#include "elements/window/frame_style.h"

namespace {

constexpr std::uint32_t kFrameStyles = WS_CAPTION | WS_SIZEBOX | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
constexpr std::uint32_t kFrameExStyles = WS_EX_DLGMODALFRAME | WS_EX_TOOLWINDOW | WS_EX_WINDOWEDGE;

struct TFrame {
  std::uint32_t Style;
  std::uint32_t ExStyle;
};

constexpr TFrame kFrames[] = {
    {0, 0},
    {WS_CAPTION | WS_MINIMIZEBOX, 0},
    {WS_CAPTION | WS_SIZEBOX | WS_MINIMIZEBOX | WS_MAXIMIZEBOX, 0},
    {WS_CAPTION, WS_EX_WINDOWEDGE},
    {WS_CAPTION, WS_EX_TOOLWINDOW},
    {WS_CAPTION | WS_SIZEBOX, WS_EX_TOOLWINDOW},
    {0, WS_EX_DLGMODALFRAME},
    {WS_SIZEBOX, WS_EX_TOOLWINDOW},
    {0, WS_EX_CLIENTEDGE | WS_EX_DLGMODALFRAME},
    {WS_SIZEBOX, WS_EX_CLIENTEDGE},
};

using TSetLayeredWindowAttributes = BOOL(WINAPI*)(HWND, COLORREF, BYTE, DWORD);

}  // namespace

void ApplyBorderStyle(TControl* form, std::uint8_t value) {
  if (value >= sizeof kFrames / sizeof kFrames[0]) return;
  HWND window = form->GetWindowHandle();
  if (!window) return;
  // The live window is the truth: it may have been shown or hidden since the
  // object's own copy of the style was last written.
  const auto style = static_cast<std::uint32_t>(GetWindowLongPtrA(window, GWL_STYLE));
  const auto exStyle = static_cast<std::uint32_t>(GetWindowLongPtrA(window, GWL_EXSTYLE));
  form->SetStyle((style & ~kFrameStyles) | kFrames[value].Style);
  form->SetExStyle((exStyle & ~kFrameExStyles) | kFrames[value].ExStyle);
}

void ApplyAlphaBlend(TControl* form, std::uint8_t value) {
  if (value == form->AlphaBlend) return;
  form->AlphaBlend = value;
  // Looked up by name: a system without layered windows keeps the window opaque.
  auto setLayered = reinterpret_cast<TSetLayeredWindowAttributes>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleA("User32"), "SetLayeredWindowAttributes")));
  if (!setLayered) return;
  HWND window = form->GetWindowHandle();
  const auto exStyle = static_cast<std::uint32_t>(GetWindowLongA(window, GWL_EXSTYLE));
  if (value < 255) {
    form->SetExStyle(exStyle | WS_EX_LAYERED);
    setLayered(window, 0, value, LWA_ALPHA);
  } else {
    form->SetExStyle(exStyle & ~WS_EX_LAYERED);
  }
}
