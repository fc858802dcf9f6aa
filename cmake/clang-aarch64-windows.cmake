# Cross build for Windows on ARM64 with clang and lld. Debian has no C
# runtime for this target, so the DLL (which needs none, like the x86 ones)
# and the test host are linked without one, against import libraries for
# KERNEL32 and msvcrt made from cmake/windows-arm64/*.def; the headers are
# mingw-w64's, and libstdc++'s header-only parts (the x86-64 mingw-w64 copy:
# nothing in them the reader uses depends on the CPU).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ARM64)
set(lintrow_clang_target aarch64-w64-windows-gnu)
find_program(LINTROW_CLANG NAMES clang clang-14 REQUIRED)
find_program(LINTROW_CLANGXX NAMES clang++ clang++-14 REQUIRED)
find_program(LINTROW_LLVM_WINDRES NAMES llvm-windres llvm-windres-14 PATHS /usr/lib/llvm-14/bin REQUIRED)
set(CMAKE_C_COMPILER ${LINTROW_CLANG})
set(CMAKE_CXX_COMPILER ${LINTROW_CLANGXX})
set(CMAKE_C_COMPILER_TARGET ${lintrow_clang_target})
set(CMAKE_CXX_COMPILER_TARGET ${lintrow_clang_target})
set(CMAKE_RC_COMPILER ${LINTROW_LLVM_WINDRES})
set(CMAKE_RC_FLAGS_INIT "--target=${lintrow_clang_target} -I/usr/share/mingw-w64/include")
file(GLOB lintrow_libstdcxx LIST_DIRECTORIES true /usr/lib/gcc/x86_64-w64-mingw32/*-posix/include/c++)
list(GET lintrow_libstdcxx 0 lintrow_libstdcxx)
set(CMAKE_C_FLAGS_INIT "-isystem /usr/share/mingw-w64/include")
set(CMAKE_CXX_FLAGS_INIT
    "-nostdinc++ -isystem ${lintrow_libstdcxx} -isystem ${lintrow_libstdcxx}/x86_64-w64-mingw32 -isystem /usr/share/mingw-w64/include")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-fuse-ld=lld -nostdlib -Wno-unused-command-line-argument")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-fuse-ld=lld -nostdlib -Wno-unused-command-line-argument")
# Without a C runtime no test program links: the compiler checks compile only.
set(CMAKE_TRY_COMPILE_TARGET_TYPE STATIC_LIBRARY)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
# lld links, without the system libraries a mingw-w64 build adds by default,
# and has no --push-state (CMake would ask GNU ld, which has).
find_program(CMAKE_LINKER NAMES ld.lld ld.lld-14 REQUIRED)
set(_CMAKE_LINKER_PUSHPOP_STATE_SUPPORTED FALSE CACHE INTERNAL "")
set(CMAKE_C_STANDARD_LIBRARIES "" CACHE STRING "" FORCE)
set(CMAKE_CXX_STANDARD_LIBRARIES "" CACHE STRING "" FORCE)
