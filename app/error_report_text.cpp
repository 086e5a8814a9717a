#include "app/error_report_text.h"

#include <charconv>

namespace {

class TReportWriter {
 public:
  explicit TReportWriter(std::span<char> buffer) : buffer_(buffer) {}

  void Text(std::string_view text) {
    if (text.size() > Room()) return;
    for (char c : text) buffer_[length_++] = c;
  }

  void Decimal(unsigned value) {
    char digits[16];
    const auto result = std::to_chars(digits, digits + sizeof digits, value);
    Text({digits, static_cast<std::size_t>(result.ptr - digits)});
  }

  void Hex(std::uintptr_t value, int digits) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    char text[2 * sizeof(std::uintptr_t)];
    const int count = digits < 1 ? 1 : (digits > int(sizeof text) ? int(sizeof text) : digits);
    for (int i = count - 1; i >= 0; --i, value >>= 4) text[i] = kDigits[value & 0xF];
    Text({text, static_cast<std::size_t>(count)});
  }

  std::size_t Room() const { return buffer_.size() - length_; }
  std::string_view Written() const { return {buffer_.data(), length_}; }

 private:
  std::span<char> buffer_;
  std::size_t length_ = 0;
};

constexpr std::string_view kLineBreak = "\r\n";

}  // namespace

std::string_view FormatRunErrorReport(std::span<char, kReportCapacity> buffer, unsigned number,
                                      std::uintptr_t address,
                                      std::span<const std::uintptr_t> frames, int digits) {
  TReportWriter out(buffer);
  out.Text("Runtime error ");
  out.Decimal(number);
  out.Text(" at $");
  out.Hex(address, digits);
  out.Text(kLineBreak);
  // Each frame line is written whole or not at all, and room is always kept
  // for the closing empty line.
  const std::size_t frameLine = 3 + static_cast<std::size_t>(digits) + kLineBreak.size();
  for (std::uintptr_t frame : frames) {
    if (out.Room() < frameLine + kLineBreak.size()) break;
    out.Text("  $");
    out.Hex(frame, digits);
    out.Text(kLineBreak);
  }
  out.Text(kLineBreak);
  return out.Written();
}
