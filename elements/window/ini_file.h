#pragma once

#include <cstdint>

#include "runtime/text.h"
#include "toolkit/obj.h"

// One section of a profile file, read or written one integer at a time.
class TIniFile : public TObj {
 public:
  std::uint8_t Mode = 0;  // 0 read, 1 write
  TText FileName;
  TText Section;

  // Read mode: the key's integer, or `value` when the key or the file is missing.
  // Write mode: stores `value` as decimal text and gives it back.
  std::int32_t ValueInteger(const char* key, std::int32_t value);

 protected:
  ~TIniFile() override = default;
};

TIniFile* NewIniFile(const TText& fileName);
