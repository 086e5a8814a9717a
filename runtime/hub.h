#pragma once

#include <cstdint>

#include "runtime/event.h"
#include "runtime/grow_array.h"

// The hub element: every value that arrives at any input goes out through all
// outputs, in order, each output with its own copy.
struct TWDHub {
  std::uint8_t OutCount = 0;
  std::uint8_t InCount = 0;  // inputs the schema links here; informative only
  TGrowArray<TWD_Event> onEvent;

  // Resizes the outputs to n (at most 255); new outputs start unbound.
  void SetOutCount(std::uint16_t n);

  void doEvent(TData& data, std::uint16_t index);
};
