# What the two Windows toolchain files share: mingw-w64's posix thread model
# of GCC for the processor they set (TICKERLOOM_MINGW_TRIPLE), the target's
# own libraries only, and one self-contained executable.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${TICKERLOOM_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TICKERLOOM_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${TICKERLOOM_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${TICKERLOOM_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# libstdc++, libgcc and winpthread linked in, so that the program needs only
# the DLLs that come with Windows.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_EXE_LINKER_FLAGS_RELEASE_INIT "-s")
