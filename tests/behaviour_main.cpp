// Runs the behavioural tests against the library. By default it loads the
// library by name and binds the ten entry points as a host would; built with
// LINTROW_BIND_STATIC it calls the reader linked into the program instead,
// with the scan path chosen by --scan-path=scalar|sse2|avx2.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "support/api.h"

#if defined(LINTROW_BIND_STATIC)
#include "reader/scanner.h"
#endif

#ifndef LINTROW_MODULE_PATH
#error "LINTROW_MODULE_PATH names the library under test"
#endif

namespace lintrow::test {
namespace {
Api bound_api{};
std::string path_under_test = LINTROW_MODULE_PATH;
}  // namespace
Api& api() { return bound_api; }
const std::string& module_path() { return path_under_test; }
}  // namespace lintrow::test

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    std::string& path = lintrow::test::path_under_test;
    const char* scan_path = "best";
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--module=", 9) == 0) path = argv[i] + 9;
        if (std::strncmp(argv[i], "--scan-path=", 12) == 0) scan_path = argv[i] + 12;
    }
#if defined(LINTROW_BIND_STATIC)
    lintrow::test::api() = {CloseFile, CurrentRecord, Fields,      GetField, GetLine,
                            NextLine,  Pos,           PrepareFile, SetDelim, SkipToLine};
    const std::string wanted = scan_path;
    const lintrow::ScanPath chosen = wanted == "scalar" ? lintrow::ScanPath::Scalar
                                     : wanted == "sse2" ? lintrow::ScanPath::Sse2
                                     : wanted == "avx2" ? lintrow::ScanPath::Avx2
                                                        : lintrow::ScanPath::Best;
    if (!lintrow::use_scan_path(chosen)) {
        std::printf("scan path %s: this CPU cannot run it; nothing to test\n[  PASSED  ] 0 tests.\n", scan_path);
        return 0;
    }
    std::printf("scan path: %s\n", scan_path);
#else
    lintrow::test::Module module(path);
    if (!module.loaded() || !module.bind(lintrow::test::api())) {
        std::fprintf(stderr, "cannot use %s: %s\n", path.c_str(), module.error().c_str());
        return 2;
    }
    if (std::strcmp(scan_path, "best") != 0) std::fprintf(stderr, "--scan-path needs the static build\n");
#endif
    return RUN_ALL_TESTS();
}
