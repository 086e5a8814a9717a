#pragma once

#include <cstdint>
#include <string_view>

#include "runtime/text.h"

struct TWD_Event;

// Type tags of a TData. Only these five carry a meaning; every other tag
// converts to 0, the empty text and true.
enum : std::uint8_t {
  dtNull = 0,
  dtInteger = 1,
  dtString = 2,
  dtReal = 7,
  dtBreak = 22,
};

inline constexpr int DataTypeCount = 23;

// Added to DataType by PassOn; stored tags are always below it.
inline constexpr std::uint8_t PassOnMark = 128;

// The names of the 23 type tags, indexed by tag.
extern const char* const DataTypeNames[DataTypeCount];

// The value that travels along every link between elements. Value semantics:
// a copy shares the text payload and copies PassOnPoint and Next as plain,
// non-owning addresses.
struct TData {
  std::uint8_t DataType = dtNull;
  std::int32_t IntValue = 0;
  TText StrValue;
  double RealValue = 0;
  const TWD_Event* PassOnPoint = nullptr;
  const TData* Next = nullptr;
};

// Constructors: set the tag, their own payload, PassOnPoint and Next; the other
// payload fields stay as they were.
void MakeNull(TData& data);
void MakeInteger(TData& data, std::int32_t value);
void MakeString(TData& data, const TText& text);

// Views; none of them changes the record.
std::int32_t AsInteger(const TData& data);
TText AsText(const TData& data);
bool IsInteger(const TData& data);
bool AsFlag(const TData& data);

// Removes the head of the value chain the record holds.
void DropHead(TData& data);

// The conversion rules behind the views.
TText IntegerToText(std::int32_t value);
std::int32_t TextToInteger(std::string_view text);
std::int32_t RealToInteger(double value);
TText RealToText(double value);
