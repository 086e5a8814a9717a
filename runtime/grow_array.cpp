#include "runtime/grow_array.h"

#include <cstdint>
#include <cstdlib>

#include "runtime/out_of_memory.h"

void* grow_detail::Reallocate(void* items, std::size_t capacity, std::size_t itemSize) {
  if (capacity == 0) {
    std::free(items);
    return nullptr;
  }
  if (capacity > SIZE_MAX / itemSize) RaiseOutOfMemory();
  void* moved = std::realloc(items, capacity * itemSize);
  if (moved == nullptr) RaiseOutOfMemory();
  return moved;
}
