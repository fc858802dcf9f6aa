// Runs the behavioural tests against the library. By default it loads the
// library by name and binds the ten entry points as a host would; built with
// LINTROW_BIND_STATIC it calls the reader linked into the program instead,
// with the scan path chosen by --scan-path=scalar|sse2|avx2. Built with
// LINTROW_EVERY_PATH (the Windows test program, which runs in one costly
// process) it runs the suite four times: against the loaded library, then
// against the reader linked in on each scan path.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

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

// Chooses a scan path by name; false when the CPU cannot run it. A name no
// path has ends the run: testing another path under its name would pass
// for the wrong reason.
bool choose_scan_path(const std::string& name) {
    const std::optional<lintrow::ScanPath> path = lintrow::scan_path_named(name.c_str());
    if (!path) {
        std::fprintf(stderr, "no scan path is named \"%s\"\n", name.c_str());
        std::exit(2);
    }
    return lintrow::use_scan_path(*path);
}
#endif

#if defined(LINTROW_EVERY_PATH)
extern std::string corpus_directory;

class EveryPath : public ::testing::EmptyTestEventListener {
public:
    explicit EveryPath(const Api& loaded) : loaded_(loaded) {}
    // The paths this CPU runs; the suite runs once more for each.
    static std::vector<const char*> runnable_paths() {
        std::vector<const char*> names;
        for (const lintrow::NamedScanPath& named : lintrow::kScanPaths) {
            if (lintrow::use_scan_path(named.path)) names.push_back(named.name);
        }
        lintrow::use_scan_path(lintrow::ScanPath::Best);
        return names;
    }
    void OnTestIterationStart(const ::testing::UnitTest&, int iteration) override {
        if (iteration == 0) {
            api() = loaded_;
            std::printf("run 1: the loaded library\n");
            return;
        }
        api() = linked_api();
        const char* path = paths_[static_cast<std::size_t>(iteration - 1) % paths_.size()];
        choose_scan_path(path);
        std::printf("run %d: the linked reader, scan path %s\n", iteration + 1, path);
    }
    int runs() const { return 1 + static_cast<int>(paths_.size()); }

private:
    Api loaded_;
    std::vector<const char*> paths_ = runnable_paths();
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
    std::printf("scan path: %s\n", lintrow::scan_path_name(lintrow::scan_path()));
#else
    lintrow::test::Module module(path);
    if (!module.loaded() || !module.bind(lintrow::test::api())) {
        std::fprintf(stderr, "cannot use %s: %s\n", path.c_str(), module.error().c_str());
        return 2;
    }
    if (std::strcmp(scan_path, "best") != 0) std::fprintf(stderr, "--scan-path needs the static build\n");
#endif
#if defined(LINTROW_EVERY_PATH)
    auto* every_path = new lintrow::test::EveryPath(lintrow::test::api());
    GTEST_FLAG_SET(repeat, every_path->runs());
    ::testing::UnitTest::GetInstance()->listeners().Append(every_path);
#endif
    return RUN_ALL_TESTS();
}
