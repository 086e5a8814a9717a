#include "runtime/data.h"

#include <cstdint>

const char* const DataTypeNames[DataTypeCount] = {
    "NULL",   "Integer", "String", "Data",   "Combo",  "StrList", "Icon",    "Real",
    "Color",  "Script",  "Stream", "Bitmap", "Wave",   "Array",   "ComboEx", "Font",
    "Matrix", "Jpeg",    "Menu",   "Code",   "Object", "Type",    "Break",
};

void MakeNull(TData& data) {
  data.DataType = dtNull;
  data.PassOnPoint = nullptr;
  data.Next = nullptr;
}

void MakeInteger(TData& data, std::int32_t value) {
  data.DataType = dtInteger;
  data.IntValue = value;
  data.PassOnPoint = nullptr;
  data.Next = nullptr;
}

void MakeString(TData& data, const TText& text) {
  data.DataType = dtString;
  data.StrValue = text;
  data.PassOnPoint = nullptr;
  data.Next = nullptr;
}

std::int32_t AsInteger(const TData& data) {
  switch (data.DataType) {
    case dtInteger: return data.IntValue;
    case dtString: return TextToInteger(data.StrValue.View());
    case dtReal: return RealToInteger(data.RealValue);
    default: return 0;
  }
}

TText AsText(const TData& data) {
  switch (data.DataType) {
    case dtInteger: return IntegerToText(data.IntValue);
    case dtString: return data.StrValue;
    case dtReal: return RealToText(data.RealValue);
    default: return TText();
  }
}

bool IsInteger(const TData& data) { return data.DataType == dtInteger; }

bool AsFlag(const TData& data) { return !(data.DataType == dtInteger && data.IntValue == 0); }

void DropHead(TData& data) {
  if (data.Next == nullptr) {
    data.DataType = dtNull;
    return;
  }
  // Copied through a temporary: the assignment must not read the source while overwriting it.
  const TData next = *data.Next;
  data = next;
}

TText IntegerToText(std::int32_t value) {
  char digits[12];  // sign and ten digits
  char* end = digits + sizeof digits;
  char* start = end;
  // Working on the unsigned magnitude keeps the most negative value exact.
  std::uint32_t magnitude =
      value < 0 ? 0u - static_cast<std::uint32_t>(value) : static_cast<std::uint32_t>(value);
  do {
    *--start = static_cast<char>('0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude != 0);
  if (value < 0) *--start = '-';
  return TText(std::string_view(start, static_cast<std::size_t>(end - start)));
}

std::int32_t TextToInteger(std::string_view text) {
  std::size_t at = 0;
  bool negative = false;
  if (at < text.size() && (text[at] == '-' || text[at] == '+')) {
    negative = text[at] == '-';
    ++at;
  }
  // Unsigned arithmetic gives the required 32-bit wrap-around without overflow.
  std::uint32_t value = 0;
  for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at)
    value = value * 10u + static_cast<std::uint32_t>(text[at] - '0');
  if (negative) value = 0u - value;
  return static_cast<std::int32_t>(value);
}

std::int32_t RealToInteger(double value) {
  // Outside the 64-bit range (and for not-a-number) the result is 0, the low half
  // of the x87 "integer indefinite" value; converting such a value directly is undefined.
  constexpr double TwoTo63 = 9223372036854775808.0;
  if (!(value > -TwoTo63 && value < TwoTo63)) return 0;
  std::int64_t whole = static_cast<std::int64_t>(value);  // toward zero
  // Both subtractions are exact: the fractional part of a double is a double.
  const double fraction = value - static_cast<double>(whole);
  if (fraction > 0.5 || (fraction == 0.5 && (whole & 1) != 0)) ++whole;
  if (fraction < -0.5 || (fraction == -0.5 && (whole & 1) != 0)) --whole;
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(static_cast<std::uint64_t>(whole)));
}
