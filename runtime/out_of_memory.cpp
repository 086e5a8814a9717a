#include "runtime/out_of_memory.h"

#include <cstdlib>

TOutOfMemoryHandler OutOfMemoryHandler = nullptr;

void RaiseOutOfMemory() {
  if (OutOfMemoryHandler) OutOfMemoryHandler();
  // A handler that returns cannot be honoured: there is no memory to go on with.
  std::abort();
}
