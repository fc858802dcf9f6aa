# Windows on ARM64. There is no C runtime for it here, so no GoogleTest:
# dump_calls.exe, a host without one, makes every call of all ten functions
# over the samples, files with special bytes at every offset of a block and
# files at long paths, once against Lintrow.dll (the NEON path) and once
# against Lintrow_portable.dll, the same sources with the portable path
# only; under arm64 Wine both must write what the Linux library writes.

# The portable twin, only for the tests.
add_library(Lintrow_portable SHARED
  ${PROJECT_SOURCE_DIR}/src/module/dll_entry.cpp ${lintrow_def}
  ${PROJECT_SOURCE_DIR}/src/reader/file_control.cpp ${PROJECT_SOURCE_DIR}/src/reader/scanner.cpp
  ${PROJECT_SOURCE_DIR}/src/reader/copy_out.cpp ${PROJECT_SOURCE_DIR}/src/reader/scan_select_portable.cpp
  ${PROJECT_SOURCE_DIR}/src/platform/win32.cpp)
target_include_directories(Lintrow_portable PRIVATE ${PROJECT_SOURCE_DIR}/include ${PROJECT_SOURCE_DIR}/src)
target_compile_options(Lintrow_portable PRIVATE ${lintrow_warnings} -fno-exceptions -fno-rtti)
target_link_options(Lintrow_portable PRIVATE -Wl,--entry,${lintrow_entry})
target_link_libraries(Lintrow_portable PRIVATE ${lintrow_system_imports})
add_dependencies(Lintrow_portable lintrow_system_imports)
set_target_properties(Lintrow_portable PROPERTIES PREFIX "" IMPORT_PREFIX "lib" IMPORT_SUFFIX ".dll.a")

add_executable(dump_calls dump_calls.c)
target_include_directories(dump_calls PRIVATE ${PROJECT_SOURCE_DIR}/include)
target_compile_options(dump_calls PRIVATE -Wall -Wextra -Werror)
target_link_options(dump_calls PRIVATE -Wl,--entry,host_start -Wl,--subsystem,console)
target_link_libraries(dump_calls PRIVATE ${lintrow_system_imports})
add_dependencies(dump_calls lintrow_system_imports Lintrow Lintrow_portable)

add_test(NAME windows_binaries COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/check_windows_binaries.sh ${CMAKE_BINARY_DIR}/bin winarm64)
add_test(NAME windows_package COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/check_windows_package.sh ${CMAKE_BINARY_DIR} ${PROJECT_SOURCE_DIR} winarm64)
# The Linux library the outputs are compared with (the native preset's).
set(LINTROW_REFERENCE_LIBRARY ${PROJECT_SOURCE_DIR}/build/native/libLintrow.so CACHE FILEPATH
    "The Linux libLintrow.so whose output the ARM64 DLL's must match (build the native preset first)")
add_test(NAME windows_under_wine
  COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/run_dump_calls.sh ${CMAKE_BINARY_DIR}/bin ${PROJECT_SOURCE_DIR} ${LINTROW_REFERENCE_LIBRARY})
