# Makes the release package of a Windows build and checks what it holds:
# exactly comswitch.exe, byte for byte the built one, and README.txt.
#   cmake -DBUILD_DIR=... -DZIP=... -DEXE=... -DCPACK=... -P check_package.cmake

cmake_minimum_required(VERSION 3.25)

file(REMOVE "${ZIP}")
execute_process(COMMAND "${CPACK}" -G ZIP --config "${BUILD_DIR}/CPackConfig.cmake"
  WORKING_DIRECTORY "${BUILD_DIR}" OUTPUT_VARIABLE out ERROR_VARIABLE out RESULT_VARIABLE failed)
if(failed OR NOT EXISTS "${ZIP}")
  message(FATAL_ERROR "cpack did not make ${ZIP}:\n${out}")
endif()

set(unpacked "${BUILD_DIR}/package-check")
file(REMOVE_RECURSE "${unpacked}")
file(MAKE_DIRECTORY "${unpacked}")
file(ARCHIVE_EXTRACT INPUT "${ZIP}" DESTINATION "${unpacked}")
file(GLOB_RECURSE entries RELATIVE "${unpacked}" "${unpacked}/*")
list(SORT entries)
if(NOT entries STREQUAL "README.txt;comswitch.exe")
  message(FATAL_ERROR "${ZIP} holds [${entries}], not exactly README.txt and comswitch.exe")
endif()
file(SHA256 "${unpacked}/comswitch.exe" packed)
file(SHA256 "${EXE}" built)
if(NOT packed STREQUAL built)
  message(FATAL_ERROR "the packed comswitch.exe is not the built one")
endif()
file(READ "${unpacked}/README.txt" readme)
foreach(needed "COM3" "19200" "0x41" "0x42" "RTS" "DTR" "/iw")
  string(FIND "${readme}" "${needed}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "README.txt in ${ZIP} does not mention ${needed}")
  endif()
endforeach()
file(REMOVE_RECURSE "${unpacked}")
message(STATUS "${ZIP}: README.txt, comswitch.exe")
