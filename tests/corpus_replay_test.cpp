// Replays the fuzz corpus through the differential fuzz target, which checks
// the reader linked into this program against the reference model on every
// scan path. The Windows test program runs it so that the 32-bit builds of
// the kernels meet the model too.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace lintrow::test {

std::string corpus_directory;  // set by --corpus=DIR

namespace {

TEST(DifferentialCorpus, EveryInputAgreesWithTheModel) {
    if (corpus_directory.empty()) GTEST_SKIP() << "no --corpus=DIR given";
    int inputs = 0;
    for (const auto& entry : std::filesystem::directory_iterator(corpus_directory)) {
        std::ifstream file(entry.path(), std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
        // A divergence aborts the program, which the runner reports.
        LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
        ++inputs;
    }
    EXPECT_GT(inputs, 0);
}

}  // namespace
}  // namespace lintrow::test
