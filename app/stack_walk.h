#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <span>

// The part of a thread's stack that is safe to read.
struct TStackBounds {
  std::uintptr_t low;
  std::uintptr_t high;

  bool Holds(std::uintptr_t address, std::size_t size) const {
    return address >= low && address <= high && high - address >= size;
  }
};

// The committed stack of the calling thread, from its thread block.
TStackBounds CurrentStackBounds();

// Caller frames of the code a context stands in, as return addresses from the
// innermost caller outwards. Only memory inside `stack` (the stack of the
// thread the context belongs to) is read, so a corrupt or half-built frame
// ends the walk instead of faulting.
std::size_t WalkCallerFrames(const CONTEXT& context, std::span<std::uintptr_t> frames,
                             const TStackBounds& stack);

#if defined(_M_X64) || defined(__x86_64__)
// Moves a context one frame outwards, to the point its function returns to.
// False when the frame cannot be read.
bool UnwindOneFrame(CONTEXT& context, const TStackBounds& stack);
#endif
