# Cross build for ARM64 Linux, run under qemu.
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(LINTROW_CROSS_TRIPLE aarch64-linux-gnu)
include(${CMAKE_CURRENT_LIST_DIR}/linux-cross.cmake)
