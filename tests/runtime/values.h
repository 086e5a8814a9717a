#pragma once

#include <cstdint>

#include "runtime/data.h"

// Values as tests write them.
inline TData Integer(std::int32_t value) {
  TData data;
  MakeInteger(data, value);
  return data;
}

inline TData String(const char* text) {
  TData data;
  MakeString(data, TText(text));
  return data;
}

inline TData Tagged(std::uint8_t tag) {
  TData data;
  data.DataType = tag;
  return data;
}
