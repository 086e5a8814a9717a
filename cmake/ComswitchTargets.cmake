# Compiler settings and target helpers shared by every folder.

set(COMSWITCH_WARNINGS -Wall -Wextra)
if(COMSWITCH_WERROR)
  list(APPEND COMSWITCH_WARNINGS -Werror)
endif()

if(WIN32)
  # Everything is linked statically: the binaries import only system DLLs.
  add_link_options(-static -static-libgcc -static-libstdc++)
  # Each target names the system libraries it uses; the compiler adds the C
  # library and kernel32 after them. CMake's own list would name kernel32 again
  # before the C library, and the linker (binutils 2.40) crashes on that order
  # when it links code optimised across files without the run-time's start-up.
  set(CMAKE_CXX_STANDARD_LIBRARIES "")
  set(CMAKE_C_STANDARD_LIBRARIES "")
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    # The run-time error report finds the callers on 32-bit x86 by following the
    # frame-pointer chain, which every function must then keep from its first
    # instruction on, not only on the paths that need it. (A function that uses
    # no stack at all still gets none; the walk knows that case.)
    set(COMSWITCH_FRAME_OPTIONS -fno-omit-frame-pointer -fno-shrink-wrap)
    add_compile_options(${COMSWITCH_FRAME_OPTIONS})
  endif()
elseif(COMSWITCH_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_link_options(-fsanitize=address,undefined)
endif()

# Product code: small, no C++ exceptions, no RTTI. Platform faults travel through
# the platform's own exception mechanism, never through C++ throw.
set(COMSWITCH_PRODUCT_OPTIONS -fno-exceptions -fno-rtti -ffunction-sections)
if(WIN32)
  # Optimised once more across every file when a program is linked. The objects
  # also carry ordinary code, so that the tests link them without it.
  list(APPEND COMSWITCH_PRODUCT_OPTIONS -flto -ffat-lto-objects)
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    # Nothing unwinds through product code on 32-bit x86 (no C++ exceptions; the
    # error report follows the frame pointers): its unwind tables are dead weight.
    list(APPEND COMSWITCH_PRODUCT_OPTIONS -fno-asynchronous-unwind-tables)
  endif()
endif()

function(comswitch_product_library name)
  add_library(${name} STATIC ${ARGN})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_compile_options(${name} PRIVATE ${COMSWITCH_WARNINGS} ${COMSWITCH_PRODUCT_OPTIONS})
endfunction()

# An executable built exactly as the shipped program is: product code, no
# console, symbols stripped, unused sections dropped, optimised for size across
# all its files; its linker map is written beside it (<name>.map). Data imported
# from a DLL without its import declaration would need the start-up code's
# pseudo-relocations, which the programs' own entry point does not apply: the
# link refuses such an import instead.
function(comswitch_program_build target)
  target_compile_options(${target} PRIVATE ${COMSWITCH_WARNINGS} ${COMSWITCH_PRODUCT_OPTIONS})
  target_link_options(${target} PRIVATE -mwindows -s -Wl,--gc-sections -Wl,--disable-auto-import
    -Os -flto=auto -Wl,-Map=$<TARGET_FILE_DIR:${target}>/${target}.map)
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    # The code is generated again at the cross-file link: the frame options are
    # given there too, so that they hold whatever the link's own -Os implies.
    target_link_options(${target} PRIVATE ${COMSWITCH_FRAME_OPTIONS})
  endif()
endfunction()

# Windows ends a 64-bit process on a double free or a corrupted heap block;
# Wine's heap lets both pass and only warns, with its heap warnings on (the
# test world turns them on). A test run under Wine fails on such a warning:
# "heap H, block B: already freed block" (or another reason), "heap H, ptr P:
# block region not found", "heap H, subheap S corrupted sizes". Its warning
# that a request could not be met ("Could not allocate ...") reports no fault:
# the out-of-memory tests make such requests on purpose.
function(comswitch_fail_on_heap_warnings)
  if(WIN32)
    set_tests_properties(${ARGN} PROPERTIES FAIL_REGULAR_EXPRESSION
      "(err|warn):heap:[^\n]* heap [^ ]+, (block|ptr|subheap) ;(err|warn):heap:[^\n]*wasn't allocated")
  endif()
endfunction()

# One test executable groups related cases; each one is one CTest test, because
# every start of a Windows executable under Wine costs time.
#   comswitch_test(NAME SOURCES a.cpp b.cpp LIBS lib... [LOCKS com3 ...] [TIMEOUT s])
function(comswitch_test name)
  cmake_parse_arguments(T "" "TIMEOUT" "SOURCES;LIBS;LOCKS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_compile_options(${name} PRIVATE ${COMSWITCH_WARNINGS})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gmock GTest::gtest_main)
  if(WIN32)
    # Console subsystem (the test reports to the console; windows are still
    # created for real), and linked without the programs' cross-file optimisation:
    # it would only slow the build of every test.
    target_link_options(${name} PRIVATE -mconsole -fno-lto)
  endif()
  add_test(NAME ${name} COMMAND ${name} --gtest_color=no)
  comswitch_fail_on_heap_warnings(${name})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 120)
  endif()
  set_tests_properties(${name} PROPERTIES TIMEOUT ${T_TIMEOUT})
  if(T_LOCKS)
    set_tests_properties(${name} PROPERTIES RESOURCE_LOCK "${T_LOCKS}")
  endif()
  comswitch_check_imports(${name})
endfunction()

# A test that proves a Windows executable imports nothing but system DLLs.
function(comswitch_check_imports target)
  if(NOT WIN32)
    return()
  endif()
  string(REGEX REPLACE "g\\+\\+(-posix)?$" "objdump" objdump "${CMAKE_CXX_COMPILER}")
  add_test(NAME ${target}_imports
    COMMAND ${PROJECT_SOURCE_DIR}/scripts/check-imports ${objdump} $<TARGET_FILE:${target}>)
endfunction()
