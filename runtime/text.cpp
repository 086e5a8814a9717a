#include "runtime/text.h"

#include <atomic>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>

#include "runtime/out_of_memory.h"

struct TText::Block {
  std::atomic<int> refs;
  std::size_t length;
  char bytes[1];  // length bytes and a NUL
};

TText::TText(std::string_view bytes) { *this = Concat(bytes, {}); }

TText::TText(const char* cstr) : TText(std::string_view(cstr ? cstr : "")) {}

TText::TText(const TText& other) noexcept : block_(other.block_) {
  if (block_) block_->refs.fetch_add(1, std::memory_order_relaxed);
}

TText::TText(TText&& other) noexcept : block_(other.block_) { other.block_ = nullptr; }

TText& TText::operator=(const TText& other) noexcept {
  TText copy(other);
  std::swap(block_, copy.block_);
  return *this;
}

TText& TText::operator=(TText&& other) noexcept {
  std::swap(block_, other.block_);
  return *this;
}

TText::~TText() {
  // The last owner frees the block; acquire pairs with the other owners' release.
  if (block_ && block_->refs.fetch_sub(1, std::memory_order_acq_rel) == 1) {
    block_->refs.~atomic();
    std::free(block_);
  }
}

std::size_t TText::Length() const noexcept { return block_ ? block_->length : 0; }

const char* TText::CStr() const noexcept { return block_ ? block_->bytes : ""; }

TText Concat(std::string_view a, std::string_view b) {
  TText joined;
  const std::size_t length = a.size() + b.size();
  if (length == 0) return joined;
  void* memory = std::malloc(offsetof(TText::Block, bytes) + length + 1);
  if (!memory) RaiseOutOfMemory();
  joined.block_ = static_cast<TText::Block*>(memory);
  new (&joined.block_->refs) std::atomic<int>(1);
  joined.block_->length = length;
  // An empty view may carry a nil address, which memcpy must not see.
  if (!a.empty()) std::memcpy(joined.block_->bytes, a.data(), a.size());
  if (!b.empty()) std::memcpy(joined.block_->bytes + a.size(), b.data(), b.size());
  joined.block_->bytes[length] = '\0';
  return joined;
}
