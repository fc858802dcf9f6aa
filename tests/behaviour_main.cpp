// Runs the behavioural tests against the library. By default it loads the
// library by name and binds the ten entry points as a host would; built with
// LINTROW_BIND_STATIC it calls the reader linked into the program instead,
// with the scan path chosen by --scan-path=scalar|sse2|avx2. Built with
// LINTROW_EVERY_PATH (the Windows test program, which runs in one costly
// process) it runs the suite four times: against the loaded library, then
// against the reader linked in on each scan path.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "support/api.h"

#if defined(LINTROW_BIND_STATIC) || defined(LINTROW_EVERY_PATH)
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

#if defined(LINTROW_BIND_STATIC) || defined(LINTROW_EVERY_PATH)
// The reader linked into this program.
Api linked_api() {
    return {CloseFile, CurrentRecord, Fields, GetField, GetLine, NextLine, Pos, PrepareFile, SetDelim, SkipToLine};
}

// Chooses a scan path by name; false when the CPU cannot run it.
bool choose_scan_path(const std::string& name) {
    const lintrow::ScanPath path = name == "scalar" ? lintrow::ScanPath::Scalar
                                   : name == "sse2" ? lintrow::ScanPath::Sse2
                                   : name == "avx2" ? lintrow::ScanPath::Avx2
                                                    : lintrow::ScanPath::Best;
    return lintrow::use_scan_path(path);
}
#endif

#if defined(LINTROW_EVERY_PATH)
extern std::string corpus_directory;

class EveryPath : public ::testing::EmptyTestEventListener {
public:
    explicit EveryPath(const Api& loaded) : loaded_(loaded) {}
    void OnTestIterationStart(const ::testing::UnitTest&, int iteration) override {
        static const char* const kPaths[] = {"scalar", "sse2", "avx2"};
        if (iteration == 0) {
            api() = loaded_;
            std::printf("run 1: the loaded library\n");
            return;
        }
        api() = linked_api();
        const char* path = kPaths[(iteration - 1) % 3];
        if (!choose_scan_path(path)) {
            choose_scan_path("scalar");
            std::printf("run %d: this CPU cannot scan with %s; the linked reader, scalar\n", iteration + 1, path);
            return;
        }
        std::printf("run %d: the linked reader, scan path %s\n", iteration + 1, path);
    }

private:
    Api loaded_;
};
#endif
}  // namespace lintrow::test

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    std::string& path = lintrow::test::path_under_test;
    const char* scan_path = "best";
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--module=", 9) == 0) path = argv[i] + 9;
        if (std::strncmp(argv[i], "--scan-path=", 12) == 0) scan_path = argv[i] + 12;
#if defined(LINTROW_EVERY_PATH)
        if (std::strncmp(argv[i], "--corpus=", 9) == 0) lintrow::test::corpus_directory = argv[i] + 9;
#endif
    }
#if defined(LINTROW_BIND_STATIC)
    lintrow::test::api() = lintrow::test::linked_api();
    if (!lintrow::test::choose_scan_path(scan_path)) {
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
#if defined(LINTROW_EVERY_PATH)
    GTEST_FLAG_SET(repeat, 4);
    ::testing::UnitTest::GetInstance()->listeners().Append(new lintrow::test::EveryPath(lintrow::test::api()));
#endif
    return RUN_ALL_TESTS();
}
