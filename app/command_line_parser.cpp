#include "app/command_line_parser.h"

#include <cstddef>

namespace {

constexpr char kQuote = '"';

class TCommandLineScanner {
 public:
  explicit TCommandLineScanner(std::string_view line) : line_(line) {}

  // Moves past separators and empty quoted pairs, in any mix.
  void SkipSeparators() {
    for (;;) {
      if (Byte(pos_) >= 1 && Byte(pos_) <= 32) {
        ++pos_;
      } else if (Byte(pos_) == kQuote && Byte(pos_ + 1) == kQuote) {
        pos_ += 2;
      } else {
        return;
      }
    }
  }

  // The raw text of the parameter at the cursor, closing quotes included.
  std::string_view TakeParameter() {
    const std::size_t start = pos_;
    while (Byte(pos_) > 32) {
      if (Byte(pos_) == kQuote) {
        ++pos_;
        while (Byte(pos_) != 0 && Byte(pos_) != kQuote) ++pos_;
        if (Byte(pos_) == kQuote) ++pos_;
      } else {
        ++pos_;
      }
    }
    return {line_.data() + start, pos_ - start};
  }

 private:
  // Bytes are compared unsigned, so that Windows-1251 letters count as text.
  // Past the end the line reads as NUL.
  unsigned Byte(std::size_t at) const {
    return at < line_.size() ? static_cast<unsigned char>(line_[at]) : 0u;
  }

  std::string_view line_;
  std::size_t pos_ = 0;
};

// Views are cut by hand: substr would check its bounds with a throwing call.
std::string_view WithoutEnclosingQuotes(std::string_view parameter) {
  if (parameter.size() >= 2 && parameter.front() == kQuote && parameter.back() == kQuote) {
    return {parameter.data() + 1, parameter.size() - 2};
  }
  return parameter;
}

}  // namespace

std::string_view CommandLineParameter(std::string_view line, int index) {
  if (index < 0) return {};
  TCommandLineScanner scanner(line);
  for (int number = 0;; ++number) {
    scanner.SkipSeparators();
    const std::string_view parameter = scanner.TakeParameter();
    if (number == index) return WithoutEnclosingQuotes(parameter);
    if (parameter.empty()) return {};
  }
}
