#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>

#include "runtime/data.h"

// Receives onRxChar on the receive thread: keeps the last count, how often it
// came, whether a count ever fell and which thread delivered it. Cheap,
// because a queue holding unread bytes can wake the thread again and again.
struct TRxCounter {
  std::atomic<std::int32_t> last{0};
  std::atomic<int> firings{0};
  std::atomic<bool> fell{false};
  std::atomic<DWORD> thread{0};

  void Count(TData& data, std::uint16_t /*index*/) {
    const std::int32_t count = AsInteger(data);
    if (count < last.load()) fell = true;
    last = count;
    thread = GetCurrentThreadId();
    ++firings;
  }
};
