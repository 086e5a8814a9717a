#include "toolkit/memory.h"

#include <cstdlib>
#include <cstring>

TToolkitOutOfMemory ToolkitOutOfMemory = nullptr;

namespace {
[[noreturn]] void OutOfMemory() {
  if (ToolkitOutOfMemory) ToolkitOutOfMemory();
  // A handler that returns cannot be honoured: there is no memory to go on with.
  std::abort();
}
}  // namespace

void* ZeroAlloc(std::size_t size) {
  void* block = std::calloc(1, size ? size : 1);
  if (!block) OutOfMemory();
  return block;
}

void* ResizeAlloc(void* block, std::size_t size) {
  if (size == 0) {
    std::free(block);
    return nullptr;
  }
  void* grown = std::realloc(block, size);
  if (!grown) OutOfMemory();
  return grown;
}

void FreeAlloc(void* block) { std::free(block); }

char* DuplicateText(const char* text) {
  const std::size_t length = text ? std::strlen(text) : 0;
  char* copy = static_cast<char*>(ZeroAlloc(length + 1));
  if (length) std::memcpy(copy, text, length);
  return copy;
}
