# Cross build for s390x Linux, a big-endian CPU, run under qemu.
set(CMAKE_SYSTEM_PROCESSOR s390x)
set(LINTROW_CROSS_TRIPLE s390x-linux-gnu)
include(${CMAKE_CURRENT_LIST_DIR}/linux-cross.cmake)
