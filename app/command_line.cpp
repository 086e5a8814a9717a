#include "app/command_line.h"

#include <windows.h>

#include <cstdlib>

#include "app/command_line_parser.h"
#include "runtime/out_of_memory.h"

namespace {

constexpr DWORD kPathBufferSize = 261;
constexpr DWORD kLongestPath = 32768;

// A path that fills the buffer may have been cut short: the call is repeated
// with more room until the whole path fits.
TText ModuleFileName() {
  char path[kPathBufferSize];
  DWORD length = GetModuleFileNameA(nullptr, path, kPathBufferSize);
  if (length < kPathBufferSize) return TText({path, length});
  for (DWORD size = 2 * kPathBufferSize; size <= kLongestPath; size *= 2) {
    char* longPath = static_cast<char*>(std::malloc(size));
    if (!longPath) RaiseOutOfMemory();
    length = GetModuleFileNameA(nullptr, longPath, size);
    if (length < size) {
      TText text({longPath, length});
      std::free(longPath);
      return text;
    }
    std::free(longPath);
  }
  return {};
}

}  // namespace

TText CommandLineParam(int index) {
  if (index == 0) return ModuleFileName();
  return TText(CommandLineParameter(GetCommandLineA(), index));
}
