#include "runtime/data.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <string>

namespace {

TData StringValue(const char* text) {
  TData data;
  MakeString(data, TText(text));
  return data;
}

TData RealValue(double value) {
  TData data;
  data.DataType = dtReal;
  data.RealValue = value;
  return data;
}

TData IntegerValue(std::int32_t value) {
  TData data;
  MakeInteger(data, value);
  return data;
}

TData TaggedValue(std::uint8_t tag) {
  TData data;
  data.DataType = tag;
  data.IntValue = 0;
  data.StrValue = TText("payload");
  data.RealValue = 5.0;
  return data;
}

std::string Text(const TData& data) { return std::string(AsText(data).View()); }
std::string Real(double value) { return std::string(RealToText(value).View()); }

// An independent rendering of the same rule: the shortest-exact digits come from
// the standard library's scientific formatting with 15 significant digits.
std::string ReferenceRealText(double value) {
  if (value == 0) return "0";
  char buffer[64];
  auto result = std::to_chars(buffer, buffer + sizeof buffer, std::fabs(value),
                              std::chars_format::scientific, 14);
  std::string scientific(buffer, result.ptr);  // d.dddddddddddddde[+-]xx
  std::string digits = scientific.substr(0, 1) + scientific.substr(2, 14);
  const int e = std::stoi(scientific.substr(17)) + 1;
  std::string text;
  if (e <= 0)
    text = "0." + std::string(-e, '0') + digits;
  else if (e < 15)
    text = digits.substr(0, e) + "." + digits.substr(e);
  else
    text = digits + std::string(e - 15, '0');
  if (text.find('.') != std::string::npos) {
    while (text.back() == '0') text.pop_back();
    if (text.back() == '.') text.pop_back();
  }
  return (std::signbit(value) ? "-" : "") + text;
}

}  // namespace

TEST(DataTypeNames, NamesEveryTagInOrder) {
  const char* expected[] = {"NULL", "Integer", "String",  "Data",   "Combo",  "StrList",
                            "Icon", "Real",    "Color",   "Script", "Stream", "Bitmap",
                            "Wave", "Array",   "ComboEx", "Font",   "Matrix", "Jpeg",
                            "Menu", "Code",    "Object",  "Type",   "Break"};
  static_assert(sizeof expected / sizeof expected[0] == DataTypeCount);
  for (int tag = 0; tag < DataTypeCount; ++tag) EXPECT_STREQ(DataTypeNames[tag], expected[tag]);
  EXPECT_STREQ(DataTypeNames[dtNull], "NULL");
  EXPECT_STREQ(DataTypeNames[dtInteger], "Integer");
  EXPECT_STREQ(DataTypeNames[dtString], "String");
  EXPECT_STREQ(DataTypeNames[dtReal], "Real");
  EXPECT_STREQ(DataTypeNames[dtBreak], "Break");
}

TEST(DataConstructors, SetTagPayloadAndClearLinksButKeepOtherPayloads) {
  TData other;
  TData data;
  data.PassOnPoint = reinterpret_cast<const TWD_Event*>(&other);
  data.Next = &other;
  MakeString(data, TText("text"));
  EXPECT_EQ(data.DataType, dtString);
  EXPECT_EQ(data.StrValue, "text");
  EXPECT_EQ(data.PassOnPoint, nullptr);
  EXPECT_EQ(data.Next, nullptr);

  data.Next = &other;
  MakeInteger(data, 42);
  EXPECT_EQ(data.DataType, dtInteger);
  EXPECT_EQ(data.IntValue, 42);
  EXPECT_EQ(data.Next, nullptr);
  EXPECT_EQ(data.StrValue, "text") << "the old text stays in place";
  EXPECT_EQ(Text(data), "42") << "but the view follows the tag";

  data.Next = &other;
  data.PassOnPoint = reinterpret_cast<const TWD_Event*>(&other);
  MakeNull(data);
  EXPECT_EQ(data.DataType, dtNull);
  EXPECT_EQ(data.IntValue, 42);
  EXPECT_EQ(data.PassOnPoint, nullptr);
  EXPECT_EQ(data.Next, nullptr);
}

TEST(DataConstructors, MakeStringSharesTheText) {
  TText text("shared");
  TData data;
  MakeString(data, text);
  EXPECT_TRUE(data.StrValue.SharesWith(text));
  TData copy = data;
  EXPECT_TRUE(copy.StrValue.SharesWith(text));
}

TEST(DataViews, IntegerOfEachTag) {
  EXPECT_EQ(AsInteger(IntegerValue(-7)), -7);
  EXPECT_EQ(AsInteger(StringValue("123")), 123);
  EXPECT_EQ(AsInteger(RealValue(2.6)), 3);
  EXPECT_EQ(AsInteger(TData()), 0);
  for (int tag = 0; tag < DataTypeCount; ++tag) {
    if (tag == dtInteger || tag == dtString || tag == dtReal) continue;
    TData data = TaggedValue(static_cast<std::uint8_t>(tag));
    data.IntValue = 99;
    EXPECT_EQ(AsInteger(data), 0) << DataTypeNames[tag];
    EXPECT_EQ(Text(data), "") << DataTypeNames[tag];
    EXPECT_TRUE(AsFlag(data)) << DataTypeNames[tag];
    EXPECT_FALSE(IsInteger(data)) << DataTypeNames[tag];
  }
}

TEST(DataViews, TextToIntegerFollowsTheLeadingDigitsAndWraps) {
  struct Case {
    const char* text;
    std::int32_t expected;
  } cases[] = {
      {"", 0},
      {"abc", 0},
      {" 12", 0},
      {"12abc", 12},
      {"+7", 7},
      {"-0", 0},
      {"--5", 0},
      {"+-5", 0},
      {"-", 0},
      {"+", 0},
      {"-123", -123},
      {"0042", 42},
      {"12 34", 12},
      {"2147483647", 2147483647},
      {"2147483648", std::numeric_limits<std::int32_t>::min()},
      {"-2147483648", std::numeric_limits<std::int32_t>::min()},
      {"4294967297", 1},
      {"4294967296", 0},
      {"-4294967295", 1},
      {"99999999999999999999", 1661992959},  // 10^20 - 1 modulo 2^32
  };
  for (const Case& c : cases) EXPECT_EQ(AsInteger(StringValue(c.text)), c.expected) << c.text;
}

TEST(DataViews, TextToIntegerStopsAtAnEmbeddedNul) {
  TData data;
  MakeString(data, TText(std::string_view("12\0"
                                          "34",
                                          5)));
  EXPECT_EQ(AsInteger(data), 12);
}

TEST(DataViews, RealToIntegerRoundsTiesToEvenAndKeepsTheLow32Bits) {
  struct Case {
    double value;
    std::int32_t expected;
  } cases[] = {
      {2.5, 2},
      {3.5, 4},
      {-2.5, -2},
      {-3.5, -4},
      {-0.4, 0},
      {0.5, 0},
      {1.5, 2},
      {-0.5, 0},
      {0.49999999999999994, 0},
      {2.5000000000000004, 3},
      {-1.6, -2},
      {1e-300, 0},
      {-0.0, 0},
      {2147483647.4, 2147483647},
      {3e9, -1294967296},
      {-3e9, 1294967296},
      {4294967296.0 + 5, 5},
      {4503599627370497.0, 1},  // 2^52 + 1
      {9007199254740993.0, 0},  // rounds to 2^53 when written
  };
  for (const Case& c : cases) EXPECT_EQ(AsInteger(RealValue(c.value)), c.expected) << c.value;
}

TEST(DataViews, RealToIntegerOutsideTheRangeIsDefined) {
  EXPECT_EQ(RealToInteger(std::numeric_limits<double>::quiet_NaN()), 0);
  EXPECT_EQ(RealToInteger(std::numeric_limits<double>::infinity()), 0);
  EXPECT_EQ(RealToInteger(-std::numeric_limits<double>::infinity()), 0);
  EXPECT_EQ(RealToInteger(1e300), 0);
  EXPECT_EQ(RealToInteger(9223372036854775808.0), 0);
  EXPECT_EQ(RealToInteger(-9223372036854775808.0), 0);
  // The largest double below 2^63 is 2^63 - 1024, whose low 32 bits read as -1024.
  EXPECT_EQ(RealToInteger(9223372036854774784.0), -1024);
  EXPECT_EQ(RealToInteger(-9223372036854774784.0), 1024);
  EXPECT_EQ(RealToInteger(4611686018427387904.0 + 2048.0 * 3), 6144);
}

TEST(DataViews, IntegerToTextIsExactOverTheFullRange) {
  EXPECT_EQ(Text(IntegerValue(0)), "0");
  EXPECT_EQ(Text(IntegerValue(7)), "7");
  EXPECT_EQ(Text(IntegerValue(-7)), "-7");
  EXPECT_EQ(Text(IntegerValue(1000)), "1000");
  EXPECT_EQ(Text(IntegerValue(2147483647)), "2147483647");
  EXPECT_EQ(Text(IntegerValue(std::numeric_limits<std::int32_t>::min())), "-2147483648");
  std::mt19937 random(12345);
  for (int i = 0; i < 2000; ++i) {
    const auto value = static_cast<std::int32_t>(random());
    EXPECT_EQ(Text(IntegerValue(value)), std::to_string(value));
    EXPECT_EQ(AsInteger(StringValue(std::to_string(value).c_str())), value);
  }
}

TEST(DataViews, StringTextIsTheSameText) {
  TData data = StringValue("as is");
  EXPECT_TRUE(AsText(data).SharesWith(data.StrValue));
  EXPECT_EQ(Text(TData()), "");
  EXPECT_EQ(Text(TaggedValue(dtBreak)), "");
}

TEST(DataViews, RealToTextExamples) {
  EXPECT_EQ(Real(1.5), "1.5");
  EXPECT_EQ(Real(-2.25), "-2.25");
  EXPECT_EQ(Real(100), "100");
  EXPECT_EQ(Real(0.001), "0.001");
  EXPECT_EQ(Real(1.0 / 3), "0.333333333333333");
  EXPECT_EQ(Real(2.0 / 3), "0.666666666666667");
  EXPECT_EQ(Real(123456789.123456789), "123456789.123457");
  EXPECT_EQ(Real(1e14), "100000000000000");
  EXPECT_EQ(Real(12345678901234567.0), "12345678901234600");
  EXPECT_EQ(Real(1e20), "1" + std::string(20, '0'));
  EXPECT_EQ(Real(1e-20), "0." + std::string(19, '0') + "1");
  EXPECT_EQ(Real(0.9999999999999999), "1");
  EXPECT_EQ(Real(0.0), "0");
  EXPECT_EQ(Real(-0.0), "0");
  EXPECT_EQ(Text(RealValue(-0.0)), "0");
  EXPECT_EQ(Real(1), "1");
  EXPECT_EQ(Real(10), "10");
  EXPECT_EQ(Real(0.1), "0.1");
  EXPECT_EQ(Real(-1e-5), "-0.00001");
  EXPECT_EQ(Real(123.0), "123");
  EXPECT_EQ(Real(1e15), "1000000000000000");
  EXPECT_EQ(Real(999999999999999.0), "999999999999999");
  EXPECT_EQ(Real(9999999999999998.0), "10000000000000000");
  EXPECT_EQ(Real(10.5), "10.5");
}

TEST(DataViews, RealToTextRoundsTiesToEvenInTheFifteenthDigit) {
  // Each of these doubles is exact, so the digits after the fifteenth are exactly 5.
  EXPECT_EQ(Real(1000000000000005.0), "1000000000000000");  // ...0|5 stays even
  EXPECT_EQ(Real(1000000000000015.0), "1000000000000020");  // ...1|5 goes up to even
  EXPECT_EQ(Real(1000000000000025.0), "1000000000000020");  // ...2|5 stays even
  EXPECT_EQ(Real(0x1p-22), "0.000000238418579101562");      // ...2|5 stays even
  EXPECT_EQ(Real(0x3p-22), "0.000000715255737304688");      // ...7|5 goes up
  // Not ties: what follows the fifteenth digit decides.
  EXPECT_EQ(Real(1125899906842624.5), "1125899906842620");  // ...2|45
  EXPECT_EQ(Real(1125899906842625.5), "1125899906842630");  // ...2|55
  EXPECT_EQ(Real(1000000000000001.5), "1000000000000000");  // ...0|15
}

TEST(DataViews, RealToTextExtremesStayPlainNumerals) {
  const std::string largest = Real(std::numeric_limits<double>::max());
  EXPECT_EQ(largest, "179769313486232" + std::string(294, '0'));
  const std::string smallest = Real(std::numeric_limits<double>::denorm_min());
  EXPECT_EQ(smallest, "0." + std::string(323, '0') + "494065645841247");
  const std::string smallestNormal = Real(-std::numeric_limits<double>::min());
  EXPECT_EQ(smallestNormal, "-0." + std::string(307, '0') + "22250738585072");
  EXPECT_EQ(largest.find('e'), std::string::npos);
}

TEST(DataViews, RealToTextMatchesAnExactReferenceOnManyValues) {
  std::mt19937_64 random(2024);
  int checked = 0;
  while (checked < 10000) {
    std::uint64_t bits = random();
    double value;
    std::memcpy(&value, &bits, sizeof value);
    if (!std::isfinite(value)) continue;
    ASSERT_EQ(Real(value), ReferenceRealText(value)) << "bits " << std::hex << bits;
    ++checked;
  }
  // Values of everyday size, where every layout branch is taken.
  std::uniform_real_distribution<double> mantissa(1.0, 10.0);
  std::uniform_int_distribution<int> exponent(-25, 25);
  for (int i = 0; i < 10000; ++i) {
    const double value = mantissa(random) * std::pow(10.0, exponent(random)) * (i % 2 ? -1 : 1);
    ASSERT_EQ(Real(value), ReferenceRealText(value)) << value;
  }
}

TEST(DataViews, FlagIsFalseOnlyForIntegerZero) {
  EXPECT_FALSE(AsFlag(IntegerValue(0)));
  EXPECT_TRUE(AsFlag(IntegerValue(-1)));
  EXPECT_TRUE(AsFlag(IntegerValue(1)));
  EXPECT_TRUE(AsFlag(StringValue("0")));
  EXPECT_TRUE(AsFlag(StringValue("")));
  EXPECT_TRUE(AsFlag(RealValue(0.0)));
  EXPECT_TRUE(AsFlag(TData()));
  TData staleNull = IntegerValue(0);
  MakeNull(staleNull);
  EXPECT_TRUE(AsFlag(staleNull)) << "a NULL whose old integer is 0 is still true";
}

TEST(DataViews, IsIntegerOnlyForTheIntegerTag) {
  EXPECT_TRUE(IsInteger(IntegerValue(0)));
  EXPECT_FALSE(IsInteger(StringValue("5")));
  EXPECT_FALSE(IsInteger(RealValue(5)));
  EXPECT_FALSE(IsInteger(TData()));
}

TEST(DataChain, DropHeadOfASingleValueLeavesNull) {
  TData data = IntegerValue(5);
  DropHead(data);
  EXPECT_EQ(data.DataType, dtNull);
  EXPECT_EQ(data.IntValue, 5) << "the other fields stay";
  EXPECT_EQ(AsInteger(data), 0);
}

TEST(DataChain, DropHeadStepsAlongTheChain) {
  TData third = StringValue("third");
  TData second = RealValue(2.5);
  second.Next = &third;
  TData head = IntegerValue(1);
  head.Next = &second;

  DropHead(head);
  EXPECT_EQ(head.DataType, dtReal);
  EXPECT_EQ(head.RealValue, 2.5);
  EXPECT_EQ(head.Next, &third);
  EXPECT_EQ(second.DataType, dtReal) << "the chain's own records are not touched";

  DropHead(head);
  EXPECT_EQ(head.DataType, dtString);
  EXPECT_TRUE(head.StrValue.SharesWith(third.StrValue));
  EXPECT_EQ(head.Next, nullptr);

  DropHead(head);
  EXPECT_EQ(head.DataType, dtNull);
}
