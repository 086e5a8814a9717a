// Feeds arbitrary command lines to the parameter parser. Beyond what the
// sanitizers catch, it checks the parser's promises: every parameter is a view
// into the line before its first NUL, and parameters are numbered without gaps
// (once one comes out empty, every later one is empty too).
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "app/command_line_parser.h"

namespace {

void Require(bool condition) {
  if (!condition) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view line(reinterpret_cast<const char*>(data), size);
  const std::string_view text = line.substr(0, line.find('\0'));
  bool ended = false;
  // Parameters are parted by separators, so a line of n bytes holds at most
  // (n + 1) / 2 of them; a few more indices prove the tail stays empty.
  const int last = static_cast<int>((size + 1) / 2) + 3;
  for (int index = 0; index <= last; ++index) {
    const std::string_view parameter = CommandLineParameter(line, index);
    if (parameter.empty()) {
      ended = true;
      continue;
    }
    Require(!ended);
    Require(parameter.data() >= text.data());
    Require(parameter.data() + parameter.size() <= text.data() + text.size());
  }
  Require(CommandLineParameter(line, -1).empty());
  return 0;
}
