#include <cstdint>
#include <cstring>

#include "runtime/data.h"

// Reals are written from their exact binary value: the magnitude m x 2^k is held
// as a fraction r / s of two big integers, so that the 15 digits and their
// rounding (ties to even) never depend on the floating-point unit's precision
// setting or on the locale.
namespace {

// r and s stay below 2^1082 (the smallest subnormal scaled by 10^324, ten times
// over): 34 words; a few more give room for the intermediate doubling.
constexpr int BigWords = 40;

struct TBig {
  std::uint32_t word[BigWords];
  int count;  // words in use, the highest one non-zero; 0 for zero
};

void SetValue(TBig& big, std::uint64_t value) {
  big.count = 0;
  for (; value != 0; value >>= 32) big.word[big.count++] = static_cast<std::uint32_t>(value);
}

void MultiplySmall(TBig& big, std::uint32_t factor) {
  std::uint64_t carry = 0;
  for (int i = 0; i < big.count; ++i) {
    carry += static_cast<std::uint64_t>(big.word[i]) * factor;
    big.word[i] = static_cast<std::uint32_t>(carry);
    carry >>= 32;
  }
  if (carry != 0) big.word[big.count++] = static_cast<std::uint32_t>(carry);
}

void MultiplyPow10(TBig& big, int exponent) {
  static constexpr std::uint32_t Pow10[] = {1,      10,      100,      1000,     10000,
                                            100000, 1000000, 10000000, 100000000};
  for (; exponent >= 9; exponent -= 9) MultiplySmall(big, 1000000000u);
  MultiplySmall(big, Pow10[exponent]);
}

void ShiftLeft(TBig& big, int bits) {
  if (big.count == 0) return;
  const int words = bits / 32;
  const int rest = bits % 32;
  std::uint32_t spill = 0;
  if (rest != 0) {
    spill = big.word[big.count - 1] >> (32 - rest);
    for (int i = big.count - 1; i > 0; --i)
      big.word[i] = (big.word[i] << rest) | (big.word[i - 1] >> (32 - rest));
    big.word[0] <<= rest;
  }
  if (spill != 0) big.word[big.count++] = spill;
  if (words != 0) {
    std::memmove(big.word + words, big.word, sizeof(std::uint32_t) * big.count);
    std::memset(big.word, 0, sizeof(std::uint32_t) * words);
    big.count += words;
  }
}

int Compare(const TBig& a, const TBig& b) {
  if (a.count != b.count) return a.count < b.count ? -1 : 1;
  for (int i = a.count - 1; i >= 0; --i)
    if (a.word[i] != b.word[i]) return a.word[i] < b.word[i] ? -1 : 1;
  return 0;
}

// a -= b, where a >= b.
void Subtract(TBig& a, const TBig& b) {
  std::int64_t borrow = 0;
  for (int i = 0; i < a.count; ++i) {
    borrow += static_cast<std::int64_t>(a.word[i]) - (i < b.count ? b.word[i] : 0);
    a.word[i] = static_cast<std::uint32_t>(borrow);
    borrow = borrow < 0 ? -1 : 0;
  }
  while (a.count > 0 && a.word[a.count - 1] == 0) --a.count;
}

int BitLength(std::uint64_t value) {
  int bits = 0;
  for (; value != 0; value >>= 1) ++bits;
  return bits;
}

constexpr int Precision = 15;
constexpr std::uint64_t DigitsLimit = 1000000000000000ull;  // 10^15

// The first 15 significant digits of mantissa x 2^exponent2, rounded to nearest
// with ties to even, and the decimal exponent e with value = 0.digits x 10^e.
void SignificantDigits(std::uint64_t mantissa, int exponent2, std::uint64_t& digits,
                       int& exponent10) {
  TBig r, s;
  SetValue(r, mantissa);
  SetValue(s, 1);
  if (exponent2 > 0) ShiftLeft(r, exponent2);
  if (exponent2 < 0) ShiftLeft(s, -exponent2);
  // The value lies in [2^(b-1), 2^b), so e is about (b - 1) log10(2) + 1; the
  // estimate (78913 / 2^18 for log10(2)) may be one off, and the loops settle it.
  const int b = BitLength(mantissa) + exponent2;
  int e = (((b - 1) * 78913) >> 18) + 1;
  if (e > 0) MultiplyPow10(s, e);
  if (e < 0) MultiplyPow10(r, -e);
  while (Compare(r, s) >= 0) {
    MultiplySmall(s, 10);
    ++e;
  }
  for (;;) {
    TBig tenfold = r;
    MultiplySmall(tenfold, 10);
    if (Compare(tenfold, s) >= 0) break;
    r = tenfold;
    --e;
  }
  // Now 0.1 <= r / s < 1: each digit is the integer part of ten times the rest.
  digits = 0;
  for (int i = 0; i < Precision; ++i) {
    MultiplySmall(r, 10);
    unsigned digit = 0;
    while (Compare(r, s) >= 0) {
      Subtract(r, s);
      ++digit;
    }
    digits = digits * 10 + digit;
  }
  ShiftLeft(r, 1);
  const int half = Compare(r, s);
  if (half > 0 || (half == 0 && (digits & 1) != 0)) ++digits;
  if (digits == DigitsLimit) {  // 0.999...95 and up became 1.000
    digits = DigitsLimit / 10;
    ++e;
  }
  exponent10 = e;
}

}  // namespace

TText RealToText(double value) {
  std::uint64_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  const bool negative = (bits >> 63) != 0;
  const int biased = static_cast<int>((bits >> 52) & 0x7FF);
  std::uint64_t mantissa = bits & ((std::uint64_t{1} << 52) - 1);
  if (biased == 0x7FF) return TText(mantissa != 0 ? "NaN" : negative ? "-Inf" : "Inf");
  if (biased == 0 && mantissa == 0) return TText("0");
  int exponent2 = -1074;  // subnormal
  if (biased != 0) {
    mantissa |= std::uint64_t{1} << 52;
    exponent2 = biased - 1075;
  }
  std::uint64_t digits;
  int e;
  SignificantDigits(mantissa, exponent2, digits, e);

  char figures[Precision];
  for (int i = Precision - 1; i >= 0; --i, digits /= 10)
    figures[i] = static_cast<char>('0' + digits % 10);

  // Longest text: "-0." and 323 zeros before 15 digits, for the smallest subnormal.
  char text[360];
  int length = 0;
  if (negative) text[length++] = '-';
  bool point = true;
  if (e <= 0) {
    text[length++] = '0';
    text[length++] = '.';
    for (int i = 0; i < -e; ++i) text[length++] = '0';
    for (int i = 0; i < Precision; ++i) text[length++] = figures[i];
  } else if (e < Precision) {
    for (int i = 0; i < Precision; ++i) {
      if (i == e) text[length++] = '.';
      text[length++] = figures[i];
    }
  } else {
    point = false;
    for (int i = 0; i < Precision; ++i) text[length++] = figures[i];
    for (int i = Precision; i < e; ++i) text[length++] = '0';
  }
  if (point) {
    while (text[length - 1] == '0') --length;
    if (text[length - 1] == '.') --length;
  }
  return TText(std::string_view(text, static_cast<std::size_t>(length)));
}
