#pragma once

#include <windows.h>

#include <atomic>

#include "elements/serial/shared_block.h"
#include "elements/serial/win_handle.h"

class TWDComAsync;

// What the receive thread and its element share: everything the thread or the
// driver may still touch after the element has let the thread go (its stop
// flag and events, the wait record, the event word). The thread and the
// element each hold one reference; whichever lets go last frees the block, or
// leaves it for the life of the process while the driver still holds the wait
// record pending.
struct TReceiveBlock {
  // Taken by the thread around each short step that reads or writes the
  // element or calls on its port, never around a wait or a firing; taken by
  // the element to let the thread go.
  SRWLOCK gate = SRWLOCK_INIT;
  TWDComAsync* element = nullptr;  // nil once let go; under the gate
  HANDLE port = nullptr;           // used only while element is set

  TWinHandle stopEvent;  // the stop flag: set by the element, never reset
  TWinHandle waitEvent;  // the wait record's event, signalled by the driver
  OVERLAPPED request{};
  DWORD eventWord = 0;

  std::atomic<int> references{1};

  static TReceiveBlock* Create() { return NewSharedBlock<TReceiveBlock>(); }
  void AddReference() { references.fetch_add(1, std::memory_order_relaxed); }
  void Release() {
    if (references.fetch_sub(1, std::memory_order_acq_rel) != 1) return;
    // The driver writes the request's status, the event word and its event
    // when the request completes: none of them may go before it has.
    if (RequestPending(request)) return;
    FreeSharedBlock(this);
  }
};

// The element a step of the receive thread works on, held for the step; nil
// once the thread was let go. Without a block (HandleCommEvents called
// directly) the step works on the given element and takes no lock.
class TReceiveGate {
 public:
  TReceiveGate(TReceiveBlock* block, TWDComAsync* direct) : block_(block) {
    if (!block_) {
      element_ = direct;
      return;
    }
    AcquireSRWLockExclusive(&block_->gate);
    element_ = block_->element;
  }
  ~TReceiveGate() {
    if (block_) ReleaseSRWLockExclusive(&block_->gate);
  }
  TReceiveGate(const TReceiveGate&) = delete;
  TReceiveGate& operator=(const TReceiveGate&) = delete;

  TWDComAsync* Element() const { return element_; }

 private:
  TReceiveBlock* block_;
  TWDComAsync* element_ = nullptr;
};
