# The deliverables (Duvisto.dll, installer.exe) for Windows XP SP3 and later: the win32 thread
# model's compilers, whose runtime needs nothing newer than XP (the posix model links
# winpthreads, which imports Vista's GetTickCount64).
include(${CMAKE_CURRENT_LIST_DIR}/mingw-i686.cmake)
set(CMAKE_C_COMPILER i686-w64-mingw32-gcc-win32)
set(CMAKE_CXX_COMPILER i686-w64-mingw32-g++-win32)
