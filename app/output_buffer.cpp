#include "app/output_buffer.h"

#include <algorithm>
#include <cstring>

void TOutputBuffer::Write(std::string_view text) {
  while (!text.empty()) {
    const std::size_t part = std::min(text.size(), Room());
    std::memcpy(bytes_ + length_, text.data(), part);
    length_ += part;
    text.remove_prefix(part);
    if (Room() == 0 || EndsWithFourLineBreaks()) Flush();
  }
}

void TOutputBuffer::Flush() {
  if (length_ == 0) return;
  bytes_[length_] = '\0';
  // The buffer is emptied before the text is shown, so that output written
  // while the box is up (or by an error raised from it) starts afresh.
  const std::size_t length = length_;
  length_ = 0;
  show_(bytes_, length);
}

bool TOutputBuffer::EndsWithFourLineBreaks() const {
  if (length_ < 4) return false;
  return std::all_of(bytes_ + length_ - 4, bytes_ + length_,
                     [](char c) { return c == '\r' || c == '\n'; });
}
