# Checks an executable built with the shipped program's settings: its size,
# the DLLs it imports, and that no C++ exception machinery was linked in.
#   cmake -DEXE=... -DMAP=... -DOBJDUMP=... [-DMAX_KB=...] -P check_footprint.cmake
# Without MAX_KB the size is reported, not judged.

cmake_minimum_required(VERSION 3.25)

file(SIZE "${EXE}" bytes)
math(EXPR kb "(${bytes} + 1023) / 1024")
message(STATUS "${EXE}: ${bytes} bytes (${kb} KB)")
if(MAX_KB AND kb GREATER MAX_KB)
  message(FATAL_ERROR "the executable is ${kb} KB, more than ${MAX_KB} KB")
endif()

# objdump translates its headings under a non-English locale.
execute_process(COMMAND ${CMAKE_COMMAND} -E env LC_ALL=C "${OBJDUMP}" -p "${EXE}" OUTPUT_VARIABLE headers RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "${OBJDUMP} could not read ${EXE}")
endif()
string(REGEX MATCHALL "DLL Name: [^\r\n]+" imports "${headers}")
if(NOT imports)
  message(FATAL_ERROR "no imports found in ${EXE}")
endif()
# comctl32 is not among them: it is not one of Windows' known DLLs, so an
# import of it would be looked for in the program's folder first.
set(system_dlls kernel32.dll user32.dll gdi32.dll advapi32.dll msvcrt.dll)
foreach(entry IN LISTS imports)
  string(REPLACE "DLL Name: " "" dll "${entry}")
  string(TOLOWER "${dll}" dll)
  message(STATUS "imports ${dll}")
  if(NOT dll IN_LIST system_dlls)
    message(FATAL_ERROR "${EXE} imports ${dll}, which is not a system DLL")
  endif()
endforeach()

file(READ "${MAP}" map)
foreach(symbol __cxa_throw __cxa_allocate_exception __gxx_personality _Unwind_RaiseException
               _ZSt17__throw_bad_alloc std::bad_alloc)
  string(FIND "${map}" "${symbol}" at)
  if(NOT at EQUAL -1)
    message(FATAL_ERROR "${EXE} links ${symbol}: the C++ exception machinery came in")
  endif()
endforeach()


# The programs' own entry point runs the constructor list and nothing else of
# the run-time's start-up: C and C++ initialisers placed in its start-up tables,
# and thread-local storage callbacks, would silently never run. Those tables
# must stay empty.
string(REGEX MATCHALL "\n \\.CRT\\$X[CIL][^ \t\r\n]*[ \t\r\n]+0x[0-9a-fA-F]+[ \t]+0x[0-9a-fA-F]+"
       startup_entries "${map}")
foreach(entry IN LISTS startup_entries)
  string(REGEX MATCH "0x[0-9a-fA-F]+$" size "${entry}")
  if(NOT size MATCHES "^0x0+$")
    string(REGEX REPLACE "[ \t\r\n]+" " " shown "${entry}")
    message(FATAL_ERROR "${EXE} has an entry the start-up never runs:${shown}")
  endif()
endforeach()
