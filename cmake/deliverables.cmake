# Duvisto.dll, installer.exe and the bench's floor DLLs come from a build of their own inside
# this one, made with the XP toolchain (cmake/mingw-i686-xp.cmake), into this tree's bin/. The
# tests, the host stand-in and the bench keep the posix compilers GoogleTest needs.
# Targets here depend on `deliverables`; the files are ${DUVISTO_BIN_DIR}/<name>.
include(ExternalProject)
ExternalProject_Add(deliverables
  SOURCE_DIR ${CMAKE_SOURCE_DIR}
  BINARY_DIR ${CMAKE_BINARY_DIR}/deliverables
  CMAKE_ARGS -DCMAKE_TOOLCHAIN_FILE=${CMAKE_SOURCE_DIR}/cmake/mingw-i686-xp.cmake
             -DCMAKE_BUILD_TYPE=${CMAKE_BUILD_TYPE}
             -DDUVISTO_DELIVERABLES=ON
             -DDUVISTO_BIN_DIR=${DUVISTO_BIN_DIR}
  BUILD_ALWAYS ON
  INSTALL_COMMAND ""
  BUILD_BYPRODUCTS ${DUVISTO_BIN_DIR}/Duvisto.dll ${DUVISTO_BIN_DIR}/installer.exe ${DUVISTO_BIN_DIR}/BrowseFloor.dll
                   ${DUVISTO_BIN_DIR}/BrowseFloorEmpty.dll
  USES_TERMINAL_BUILD OFF)
set(DUVISTO_DLL ${DUVISTO_BIN_DIR}/Duvisto.dll)
set(DUVISTO_INSTALLER ${DUVISTO_BIN_DIR}/installer.exe)
