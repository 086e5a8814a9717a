#pragma once

#include <cstddef>
#include <cstring>
#include <string_view>

// The program's standard output: it has no console, so text is collected and
// handed to `Show` (the "Error" box) when the buffer is full, when the
// collected text ends with four line-break characters, and on `Flush`.
// `Show` is part of the type, not a field: a buffer starts as all zeros and so
// takes no room in the program file.
template <void (*Show)(const char* text, std::size_t length)>
class TOutputBuffer {
 public:
  static constexpr std::size_t kCapacity = 1024;

  void Write(std::string_view text) {
    while (!text.empty()) {
      const std::size_t part = text.size() < Room() ? text.size() : Room();
      std::memcpy(bytes_ + length_, text.data(), part);
      length_ += part;
      text.remove_prefix(part);
      if (Room() == 0 || EndsWithFourLineBreaks()) Flush();
    }
  }

  void Flush() {
    if (length_ == 0) return;
    bytes_[length_] = '\0';
    // The buffer is emptied before the text is shown, so that output written
    // while the box is up (or by an error raised from it) starts afresh.
    const std::size_t length = length_;
    length_ = 0;
    Show(bytes_, length);
  }

  std::string_view Pending() const { return {bytes_, length_}; }
  std::size_t Room() const { return kCapacity - length_; }

 private:
  bool EndsWithFourLineBreaks() const {
    if (length_ < 4) return false;
    for (std::size_t at = length_ - 4; at < length_; ++at) {
      if (bytes_[at] != '\r' && bytes_[at] != '\n') return false;
    }
    return true;
  }

  std::size_t length_ = 0;
  char bytes_[kCapacity + 1] = {};  // one more for the NUL the box needs
};
