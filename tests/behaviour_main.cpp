// Loads the library by name, binds the ten entry points as a host would, and
// runs the behavioural tests against it.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "support/api.h"

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
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--module=", 9) == 0) path = argv[i] + 9;
    }
    lintrow::test::Module module(path);
    if (!module.loaded() || !module.bind(lintrow::test::api())) {
        std::fprintf(stderr, "cannot use %s: %s\n", path.c_str(), module.error().c_str());
        return 2;
    }
    return RUN_ALL_TESTS();
}
