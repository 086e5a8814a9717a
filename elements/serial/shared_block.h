#pragma once

#include <windows.h>

#include <new>

#include "elements/serial/comm_api.h"

// Blocks that may outlive the element that made them (the receive thread's
// state, the write record) come from the process heap through the seam, so
// that tests can count how often each is freed.
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

// True while the driver may still write into the request's record.
inline bool RequestPending(const OVERLAPPED& request) {
  return !HasOverlappedIoCompleted(&request);
}
