# Cross-builds the 32-bit Windows program on Debian with mingw-w64 (the posix
# thread model of GCC): the one that is released, since it runs on 32-bit
# Windows as well as on 64-bit Windows (as the game itself does). Wine's
# 32-bit loader (the Debian package wine32, of the i386 architecture) runs
# the built tests where it is installed.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(TICKERLOOM_MINGW_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
set(CMAKE_CROSSCOMPILING_EMULATOR /usr/lib/wine/wine)
