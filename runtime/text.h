#pragma once

#include <cstddef>
#include <string_view>

// An 8-bit byte string (Windows-1251 where not ASCII): length-counted, always
// NUL-terminated so that it goes straight to the ANSI platform calls. Copies
// share one heap block through an atomic reference count, because a text can be
// fired on the serial receive thread while the GUI thread holds a copy. The
// empty text owns no memory. Texts are never changed in place.
class TText {
 public:
  constexpr TText() noexcept = default;
  TText(std::string_view bytes);
  TText(const char* cstr);
  TText(const TText& other) noexcept;
  TText(TText&& other) noexcept;
  TText& operator=(const TText& other) noexcept;
  TText& operator=(TText&& other) noexcept;
  ~TText();

  std::size_t Length() const noexcept;
  bool Empty() const noexcept { return block_ == nullptr; }
  const char* CStr() const noexcept;  // never nil; "" for the empty text
  std::string_view View() const noexcept { return {CStr(), Length()}; }

  // True when both texts share one block (a copy, not a duplicate).
  bool SharesWith(const TText& other) const noexcept { return block_ == other.block_; }

  friend bool operator==(const TText& a, const TText& b) noexcept { return a.View() == b.View(); }
  friend bool operator==(const TText& a, std::string_view b) noexcept { return a.View() == b; }
  friend bool operator==(const TText& a, const char* b) noexcept {
    return a.View() == std::string_view(b ? b : "");
  }

 private:
  friend TText Concat(std::string_view a, std::string_view b);
  struct Block;
  Block* block_ = nullptr;
};

// Joins two texts into a new one.
TText Concat(std::string_view a, std::string_view b);
