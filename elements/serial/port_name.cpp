#include "elements/serial/port_name.h"

#include <cstddef>

namespace {
constexpr std::size_t kMaxNameLength = 6;
constexpr std::string_view kPrefix = "COM";
constexpr int kMaxPortNumber = 255;

char AsciiUpper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }
}  // namespace

int ComPortNumber(std::string_view name) {
  if (name.size() > kMaxNameLength || name.size() < kPrefix.size()) return 0;
  for (std::size_t i = 0; i < kPrefix.size(); ++i) {
    if (AsciiUpper(name[i]) != kPrefix[i]) return 0;
  }
  int number = 0;
  for (std::size_t i = kPrefix.size(); i < name.size() && name[i] >= '0' && name[i] <= '9'; ++i) {
    number = number * 10 + (name[i] - '0');
  }
  return number >= 1 && number <= kMaxPortNumber ? number : 0;
}
