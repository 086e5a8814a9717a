#include "app/stack_walk.h"

namespace {

struct TStackBounds {
  std::uintptr_t low;
  std::uintptr_t high;

  bool Holds(std::uintptr_t address, std::size_t size) const {
    return address >= low && address <= high && high - address >= size;
  }
};

TStackBounds CurrentStackBounds() {
  const NT_TIB* tib = reinterpret_cast<const NT_TIB*>(NtCurrentTeb());
  return {reinterpret_cast<std::uintptr_t>(tib->StackLimit),
          reinterpret_cast<std::uintptr_t>(tib->StackBase)};
}

}  // namespace

#if defined(_M_X64) || defined(__x86_64__)

bool UnwindOneFrame(CONTEXT& context) {
  const TStackBounds stack = CurrentStackBounds();
  const DWORD64 before = context.Rsp;
  if (!stack.Holds(before, sizeof(DWORD64))) return false;
  DWORD64 imageBase = 0;
  PRUNTIME_FUNCTION function = RtlLookupFunctionEntry(context.Rip, &imageBase, nullptr);
  if (function) {
    void* handlerData = nullptr;
    DWORD64 establisherFrame = 0;
    RtlVirtualUnwind(UNW_FLAG_NHANDLER, imageBase, context.Rip, function, &context, &handlerData,
                     &establisherFrame, nullptr);
  } else {
    // A leaf function keeps no unwind data: its return address is on top.
    context.Rip = *reinterpret_cast<const DWORD64*>(before);
    context.Rsp = before + sizeof(DWORD64);
  }
  // The stack only grows towards lower addresses: a frame further out that is
  // not higher up is corrupt, and following it could loop.
  return context.Rip != 0 && context.Rsp > before;
}

std::size_t WalkCallerFrames(const CONTEXT& context, std::span<std::uintptr_t> frames) {
  CONTEXT walker = context;
  std::size_t count = 0;
  while (count < frames.size() && UnwindOneFrame(walker)) frames[count++] = walker.Rip;
  return count;
}

#else

// Each frame holds the caller's frame pointer and, above it, the return address.
std::size_t WalkCallerFrames(const CONTEXT& context, std::span<std::uintptr_t> frames) {
  const TStackBounds stack = CurrentStackBounds();
  std::uintptr_t frame = context.Ebp;
  std::size_t count = 0;
  while (count < frames.size()) {
    if (frame % sizeof(std::uintptr_t) != 0 || !stack.Holds(frame, 2 * sizeof(std::uintptr_t))) {
      break;
    }
    const std::uintptr_t* slots = reinterpret_cast<const std::uintptr_t*>(frame);
    const std::uintptr_t returnAddress = slots[1];
    const std::uintptr_t next = slots[0];
    if (returnAddress == 0) break;
    frames[count++] = returnAddress;
    if (next <= frame) break;
    frame = next;
  }
  return count;
}

#endif
