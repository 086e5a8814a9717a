# The release package of a Windows build: comswitch-VERSION-win32.zip or
# -win64.zip, holding the program and a short README.txt, and beside it the
# zip's SHA-256 in comswitch-VERSION-win32.zip.sha256 (or -win64), published
# with it so that a download can be checked.
#   cmake --build --preset win32 --target package

install(TARGETS comswitch RUNTIME DESTINATION .)
install(FILES ${PROJECT_SOURCE_DIR}/docs/README.txt DESTINATION .)

if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(COMSWITCH_PACKAGE_ARCH win32)
else()
  set(COMSWITCH_PACKAGE_ARCH win64)
endif()
set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME comswitch)
set(CPACK_PACKAGE_VENDOR "the comswitch developers")
set(CPACK_PACKAGE_FILE_NAME comswitch-${PROJECT_VERSION}-${COMSWITCH_PACKAGE_ARCH})
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
set(CPACK_STRIP_FILES OFF)
set(CPACK_PACKAGE_CHECKSUM SHA256)
include(CPack)
