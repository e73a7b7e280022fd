# Cross-builds the Windows program on Debian with mingw-w64 (the posix thread
# model of GCC); Wine runs the built tests.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(TICKERLOOM_MINGW_TRIPLE x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
set(CMAKE_CROSSCOMPILING_EMULATOR /usr/lib/wine/wine64)
