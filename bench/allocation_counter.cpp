#include "allocation_counter.h"

#include <atomic>
#include <cstddef>

// The C library's own entry points; defining malloc and friends here
// interposes them for the whole process.
extern "C" {
void* __libc_malloc(std::size_t size);
void* __libc_calloc(std::size_t count, std::size_t size);
void* __libc_realloc(void* block, std::size_t size);
void __libc_free(void* block);
}

namespace {
std::atomic<std::uint64_t> Allocations{0};
}

std::uint64_t AllocationCount() { return Allocations.load(std::memory_order_relaxed); }

extern "C" {

void* malloc(std::size_t size) {
  Allocations.fetch_add(1, std::memory_order_relaxed);
  return __libc_malloc(size);
}

void* calloc(std::size_t count, std::size_t size) {
  Allocations.fetch_add(1, std::memory_order_relaxed);
  return __libc_calloc(count, size);
}

void* realloc(void* block, std::size_t size) {
  Allocations.fetch_add(1, std::memory_order_relaxed);
  return __libc_realloc(block, size);
}

void free(void* block) { __libc_free(block); }

}  // extern "C"
