#pragma once

#include <cstdint>

#include "toolkit/control.h"

// The frame of a form, chosen from ten kinds (0..9); any other value changes
// nothing. The system menu is left as it is.
void ApplyBorderStyle(TControl* form, std::uint8_t value);

// The form's opacity, 255 opaque: below 255 the window becomes layered.
void ApplyAlphaBlend(TControl* form, std::uint8_t value);
