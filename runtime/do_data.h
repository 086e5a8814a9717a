#pragma once

#include <cstdint>

#include "runtime/data.h"
#include "runtime/event.h"

// The data-forwarding element: whatever arrives, it sends its own value on,
// taken from readData when that is bound and answers, else from Data.
struct TWDDoData {
  TData Data;
  TWD_Event readData;
  TWD_Event onData;

  void doData(TData& data, std::uint16_t index);
};
