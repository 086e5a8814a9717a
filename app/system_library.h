#pragma once

#include <windows.h>

// A function of a loaded DLL, typed; nil when the DLL lacks it. The cast
// through void keeps the compiler from judging the two function types.
template <class TFunction>
TFunction LookUpFunction(HMODULE library, const char* name) {
  return reinterpret_cast<TFunction>(reinterpret_cast<void*>(GetProcAddress(library, name)));
}

// A function of kernel32 that older Windows may lack, looked up at run time.
template <class TFunction>
TFunction LookUpKernelFunction(const char* name) {
  return LookUpFunction<TFunction>(GetModuleHandleA("kernel32"), name);
}

// Loads a DLL that is not one of Windows' known DLLs from the system folder
// only; nil when it cannot be loaded.
HMODULE LoadSystemLibrary(const char* name);

// The same by the DLL's full path in the system folder: the way on systems
// that do not know the loader's search flags.
HMODULE LoadSystemLibraryByPath(const char* name);

// Every DLL loaded later by its name alone is looked for in the system folder
// only, where the system offers that; false where it does not.
bool RestrictDllSearchToSystemFolder();
