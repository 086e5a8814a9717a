// A DLL asked for by its name alone is looked for in the program's own folder
// first, unless it is one of Windows' known DLLs or a manifest redirects it.
// comctl32 is neither: a comctl32.dll left beside the program (in a Downloads
// folder, say) would be loaded and run in its place. DLLs of that kind are
// therefore loaded from the system folder only, so that no DLL planted
// earlier on the search path is ever taken.
#include "app/system_library.h"

#include <cstring>

namespace {

using TSetDefaultDllDirectories = BOOL(WINAPI*)(DWORD);

// Windows 7 and Vista know the loader's search flags only with update
// KB2533623, and they refuse them without it; its functions show which.
TSetDefaultDllDirectories SetDefaultDllDirectoriesFunction() {
  return LookUpKernelFunction<TSetDefaultDllDirectories>("SetDefaultDllDirectories");
}

}  // namespace

HMODULE LoadSystemLibrary(const char* name) {
  if (!SetDefaultDllDirectoriesFunction()) return LoadSystemLibraryByPath(name);
  return LoadLibraryExA(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
}

HMODULE LoadSystemLibraryByPath(const char* name) {
  char path[MAX_PATH];
  const UINT folder = GetSystemDirectoryA(path, MAX_PATH);
  const std::size_t length = std::strlen(name);
  // A folder that does not fit is reported with the size it needs instead.
  if (folder == 0 || folder + 1 + length >= MAX_PATH) return nullptr;
  path[folder] = '\\';
  std::memcpy(path + folder + 1, name, length + 1);
  // The DLL's own dependencies are then looked for beside it first.
  return LoadLibraryExA(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

// The DLLs the program imports (kernel32, user32, gdi32, advapi32, msvcrt)
// are known DLLs, loaded before any of its code runs; this guards what is
// loaded afterwards, by the program or by the system on its behalf.
bool RestrictDllSearchToSystemFolder() {
  const TSetDefaultDllDirectories setDefault = SetDefaultDllDirectoriesFunction();
  return setDefault && setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32);
}
