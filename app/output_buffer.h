#pragma once

#include <cstddef>
#include <string_view>

// The program's standard output: it has no console, so text is collected and
// handed to `show` (the "Error" box) when the buffer is full, when the
// collected text ends with four line-break characters, and on `Flush`.
class TOutputBuffer {
 public:
  static constexpr std::size_t kCapacity = 1024;
  using TShow = void (*)(const char* text, std::size_t length);

  constexpr explicit TOutputBuffer(TShow show) : show_(show) {}

  void Write(std::string_view text);
  void Flush();

  std::string_view Pending() const { return {bytes_, length_}; }
  std::size_t Room() const { return kCapacity - length_; }

 private:
  bool EndsWithFourLineBreaks() const;

  TShow show_;
  std::size_t length_ = 0;
  char bytes_[kCapacity + 1] = {};  // one more for the NUL the box needs
};
