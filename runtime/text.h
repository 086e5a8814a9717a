#pragma once

#include <atomic>
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
  // Copies and releases are inline: every firing copies a value, and most
  // values carry no text at all.
  TText(const TText& other) noexcept : block_(other.block_) { AddRef(block_); }
  TText(TText&& other) noexcept : block_(other.block_) { other.block_ = nullptr; }
  TText& operator=(const TText& other) noexcept {
    Block* const old = block_;
    AddRef(block_ = other.block_);  // before the release: other may be held only by this text
    Release(old);
    return *this;
  }
  TText& operator=(TText&& other) noexcept {
    if (this == &other) return *this;
    Block* const old = block_;
    block_ = other.block_;
    other.block_ = nullptr;
    Release(old);
    return *this;
  }
  ~TText() { Release(block_); }

  std::size_t Length() const noexcept { return block_ ? block_->length : 0; }
  bool Empty() const noexcept { return block_ == nullptr; }
  const char* CStr() const noexcept { return block_ ? block_->bytes : ""; }  // never nil
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
  struct Block {
    std::atomic<int> refs;
    std::size_t length;
    char bytes[1];  // length bytes and a NUL
  };
  static void AddRef(Block* block) noexcept {
    if (block) block->refs.fetch_add(1, std::memory_order_relaxed);
  }
  static void Release(Block* block) noexcept {
    // The last owner frees the block; acquire pairs with the other owners' release.
    if (block && block->refs.fetch_sub(1, std::memory_order_acq_rel) == 1) Free(block);
  }
  static void Free(Block* block) noexcept;
  Block* block_ = nullptr;
};

// Joins two texts into a new one.
TText Concat(std::string_view a, std::string_view b);
