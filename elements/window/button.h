#pragma once

#include <cstdint>

#include "elements/window/win.h"
#include "runtime/data.h"
#include "runtime/text.h"

// A push button that sends its value on every click.
class TWDButton : public TWDWin {
 public:
  // No control exists until Init: Caption is read there.
  explicit TWDButton(TControl* parent) : TWDWin(parent) {}

  TWD_Event onClick;
  TData Data;  // sent with every click; the receivers get a copy
  TText Caption;
  std::uint8_t Default = 0;  // 1: Enter on the form presses this button

  void Init() override;

 private:
  void HandleClick(TControl* sender);
  void ApplyDefault();
};
