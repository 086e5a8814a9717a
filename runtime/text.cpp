#include "runtime/text.h"

#include <atomic>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>

#include "runtime/out_of_memory.h"

TText::TText(std::string_view bytes) { *this = Concat(bytes, {}); }

TText::TText(const char* cstr) : TText(std::string_view(cstr ? cstr : "")) {}

void TText::Free(Block* block) noexcept {
  block->refs.~atomic();
  std::free(block);
}

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
