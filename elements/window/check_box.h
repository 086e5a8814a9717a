#pragma once

#include <cstdint>

#include "elements/window/win.h"
#include "runtime/text.h"

// An automatic check box that reports its state on every click.
class TWDCheckBox : public TWDWin {
 public:
  // The control exists from here on, so the setters work before Init.
  explicit TWDCheckBox(TControl* parent);

  TWD_Event onCheck;  // the state after the click: 1 checked, 0 clear
  TWD_Event onClick;  // right after onCheck, with the state read again

  // 0 checks the box; any other value clears it.
  void SetChecked(std::uint8_t value);
  void SetCaption(const TText& caption);

 private:
  void HandleClick(TControl* sender);
  std::int32_t CheckState();
};
