#include "runtime/hub.h"

// OutCount is one byte: a larger count would leave outputs that are never fired.
static constexpr std::uint16_t MaxOutCount = 255;

void TWDHub::SetOutCount(std::uint16_t n) {
  if (n > MaxOutCount) n = MaxOutCount;
  onEvent.Resize(n);
  OutCount = static_cast<std::uint8_t>(n);
}

void TWDHub::doEvent(TData& data, std::uint16_t) {
  // The incoming record stays unmarked, so the dispatcher that called the hub
  // stops after it; output i + 1 fires only when everything output i started is done.
  for (std::uint16_t i = 0; i < OutCount; ++i) FireData(onEvent[i], data);
}
