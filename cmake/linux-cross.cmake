# Cross build for Linux on another CPU with Debian's cross compilers, for the
# triple the including toolchain file names; ctest runs the test programs
# through qemu user-mode emulation with the target's libraries.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_C_COMPILER ${LINTROW_CROSS_TRIPLE}-gcc)
set(CMAKE_CXX_COMPILER ${LINTROW_CROSS_TRIPLE}-g++)
# The Debian multiarch name of the target, for its Debian packages.
set(CMAKE_LIBRARY_ARCHITECTURE ${LINTROW_CROSS_TRIPLE})
set(CMAKE_FIND_ROOT_PATH /usr/${LINTROW_CROSS_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(CMAKE_CROSSCOMPILING_EMULATOR qemu-${CMAKE_SYSTEM_PROCESSOR}-static -L /usr/${LINTROW_CROSS_TRIPLE}
    -E LD_LIBRARY_PATH=/usr/${LINTROW_CROSS_TRIPLE}/lib)
