#pragma once

#include <cstddef>
#include <new>
#include <utility>

// What happens when the heap cannot satisfy a request. The program installs its
// run-time error report here; until then the process is aborted.
using TToolkitOutOfMemory = void (*)();
extern TToolkitOutOfMemory ToolkitOutOfMemory;

// A zero-filled heap block; never returns nil.
void* ZeroAlloc(std::size_t size);
// Resizes a block obtained from ZeroAlloc or ResizeAlloc; size 0 frees it and gives nil.
// Bytes beyond the old size are not cleared.
void* ResizeAlloc(void* block, std::size_t size);
void FreeAlloc(void* block);

// Duplicates a NUL-terminated text onto the heap; nil gives an empty text.
char* DuplicateText(const char* text);

// Every toolkit object is born zero-filled on the C heap and released with
// free(), so that product code never reaches the throwing operator new.
template <class T, class... Args>
T* ZeroNew(Args&&... args) {
  return ::new (ZeroAlloc(sizeof(T))) T(std::forward<Args>(args)...);
}
