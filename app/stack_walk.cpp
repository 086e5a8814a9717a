#include "app/stack_walk.h"

TStackBounds CurrentStackBounds() {
  // The thread block is read through a segment register, which the compiler
  // takes for an access to an empty array.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Warray-bounds"
  const NT_TIB* tib = reinterpret_cast<const NT_TIB*>(NtCurrentTeb());
#pragma GCC diagnostic pop
  return {reinterpret_cast<std::uintptr_t>(tib->StackLimit),
          reinterpret_cast<std::uintptr_t>(tib->StackBase)};
}

namespace {

// A return address points into code; anything else read from the stack ends
// the walk rather than being reported as a caller.
bool IsCode(std::uintptr_t address) {
  MEMORY_BASIC_INFORMATION region;
  if (VirtualQuery(reinterpret_cast<const void*>(address), &region, sizeof region) == 0) {
    return false;
  }
  constexpr DWORD kExecutable =
      PAGE_EXECUTE | PAGE_EXECUTE_READ | PAGE_EXECUTE_READWRITE | PAGE_EXECUTE_WRITECOPY;
  return region.State == MEM_COMMIT && (region.Protect & kExecutable) != 0;
}

}  // namespace

#if defined(_M_X64) || defined(__x86_64__)

namespace {

// Slots searched for the return address of code that keeps no unwind data.
constexpr int kUndescribedSlots = 4;

// Code without unwind data is a leaf, whose return address is on top of the
// stack, or a helper written in assembly, such as the stack probe that faults
// on overflow, which pushes a register or two first without describing them.
// The return address is the first slot near the top that points into code.
bool UnwindUndescribedFrame(CONTEXT& context, const TStackBounds& stack) {
  for (int slot = 0; slot < kUndescribedSlots; ++slot) {
    const DWORD64 at = context.Rsp + slot * sizeof(DWORD64);
    if (!stack.Holds(at, sizeof(DWORD64))) return false;
    const DWORD64 value = *reinterpret_cast<const DWORD64*>(at);
    if (IsCode(value)) {
      context.Rip = value;
      context.Rsp = at + sizeof(DWORD64);
      return true;
    }
  }
  return false;
}

}  // namespace

bool UnwindOneFrame(CONTEXT& context, const TStackBounds& stack) {
  const DWORD64 before = context.Rsp;
  if (!stack.Holds(before, sizeof(DWORD64))) return false;
  DWORD64 imageBase = 0;
  PRUNTIME_FUNCTION function = RtlLookupFunctionEntry(context.Rip, &imageBase, nullptr);
  if (function) {
    void* handlerData = nullptr;
    DWORD64 establisherFrame = 0;
    RtlVirtualUnwind(UNW_FLAG_NHANDLER, imageBase, context.Rip, function, &context, &handlerData,
                     &establisherFrame, nullptr);
  } else if (!UnwindUndescribedFrame(context, stack)) {
    return false;
  }
  // The stack only grows towards lower addresses: a frame further out that is
  // not higher up is corrupt, and following it could loop.
  return IsCode(context.Rip) && context.Rsp > before;
}

std::size_t WalkCallerFrames(const CONTEXT& context, std::span<std::uintptr_t> frames,
                             const TStackBounds& stack) {
  CONTEXT walker = context;
  std::size_t count = 0;
  while (count < frames.size() && UnwindOneFrame(walker, stack)) frames[count++] = walker.Rip;
  return count;
}

#else

namespace {

constexpr std::uint8_t kCallRel32 = 0xE8;
constexpr std::size_t kCallRel32Size = 5;
// Longer than any function that uses no stack at all.
constexpr std::uintptr_t kLeafSizeBound = 256;

// A function that uses no stack at all keeps no frame, frame pointers or not:
// a fault inside it leaves its return address on top of the stack and the
// frame pointer still its caller's. The top slot is taken for that return
// address when it follows a direct call to a function that starts at most a
// little before the fault.
bool ReturnsFromFramelessLeaf(std::uintptr_t value, std::uintptr_t faultAddress) {
  if (value < kCallRel32Size || !IsCode(value) || !IsCode(value - kCallRel32Size)) return false;
  const std::uint8_t* call = reinterpret_cast<const std::uint8_t*>(value - kCallRel32Size);
  if (call[0] != kCallRel32) return false;
  std::int32_t offset;
  __builtin_memcpy(&offset, call + 1, sizeof offset);
  const std::uintptr_t target = value + static_cast<std::uintptr_t>(offset);
  return target <= faultAddress && faultAddress - target < kLeafSizeBound;
}

}  // namespace

// Each frame holds the caller's frame pointer and, above it, the return address.
std::size_t WalkCallerFrames(const CONTEXT& context, std::span<std::uintptr_t> frames,
                             const TStackBounds& stack) {
  std::uintptr_t frame = context.Ebp;
  std::size_t count = 0;
  if (!frames.empty() && stack.Holds(context.Esp, sizeof(std::uintptr_t))) {
    const std::uintptr_t top = *reinterpret_cast<const std::uintptr_t*>(context.Esp);
    if (ReturnsFromFramelessLeaf(top, context.Eip)) frames[count++] = top;
  }
  while (count < frames.size()) {
    if (frame % sizeof(std::uintptr_t) != 0 || !stack.Holds(frame, 2 * sizeof(std::uintptr_t))) {
      break;
    }
    const std::uintptr_t* slots = reinterpret_cast<const std::uintptr_t*>(frame);
    const std::uintptr_t returnAddress = slots[1];
    const std::uintptr_t next = slots[0];
    if (!IsCode(returnAddress)) break;
    frames[count++] = returnAddress;
    if (next <= frame) break;
    frame = next;
  }
  return count;
}

#endif
