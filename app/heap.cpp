// The program's global allocation functions, over the C heap. Linked into the
// program as an object of its own, so that the library's throwing versions,
// and the exception machinery they bring, never enter the executable. Running
// out of memory is a run-time error, not an exception.
#include <cstddef>
#include <cstdlib>
#include <new>

#include "runtime/out_of_memory.h"

namespace {

void* Allocate(std::size_t size) {
  // A zero-sized request still gets a distinct block.
  void* block = std::malloc(size ? size : 1);
  if (!block) RaiseOutOfMemory();
  return block;
}

}  // namespace

void* operator new(std::size_t size) { return Allocate(size); }
void* operator new[](std::size_t size) { return Allocate(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  return std::malloc(size ? size : 1);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  return std::malloc(size ? size : 1);
}

void operator delete(void* block) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t) noexcept { std::free(block); }
void operator delete(void* block, const std::nothrow_t&) noexcept { std::free(block); }
void operator delete[](void* block, const std::nothrow_t&) noexcept { std::free(block); }
