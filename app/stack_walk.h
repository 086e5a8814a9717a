#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <span>

// Caller frames of the code a context stands in, as return addresses from the
// innermost caller outwards. Only memory inside the current thread's stack is
// read, so a corrupt or half-built frame ends the walk instead of faulting.
std::size_t WalkCallerFrames(const CONTEXT& context, std::span<std::uintptr_t> frames);

#if defined(_M_X64) || defined(__x86_64__)
// Moves a context one frame outwards, to the point its function returns to.
// False when the frame cannot be read.
bool UnwindOneFrame(CONTEXT& context);
#endif
