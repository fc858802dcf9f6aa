# Cross build for Windows with mingw-w64 (the posix thread variant, which
# GoogleTest needs), for the target the including toolchain file names.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${LINTROW_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${LINTROW_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${LINTROW_MINGW_TRIPLE}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${LINTROW_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
