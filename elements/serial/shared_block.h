#pragma once

#include <windows.h>

#include <new>

#include "elements/serial/comm_api.h"

// Records that a driver may still write into after their owner is gone (the
// receive thread's wait, the write record) come from the process heap through
// the seam, so that tests can count how often each is freed.
template <class T>
T* NewSharedBlock() {
  void* memory = CommApi.HeapAlloc(GetProcessHeap(), 0, sizeof(T));
  return memory ? new (memory) T() : nullptr;
}

template <class T>
void FreeSharedBlock(T* block) {
  block->~T();
  CommApi.HeapFree(GetProcessHeap(), 0, block);
}
