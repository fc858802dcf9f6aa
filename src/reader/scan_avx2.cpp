// The scanner kernel for AVX2, chosen at run time when the CPU has it.
#include <immintrin.h>

#include "scan_blocks.h"
#include "scan_line.h"

namespace lintrow {
namespace {

struct Avx2 {
    struct Pattern {
        __m256i line_feed, carriage_return, delimiter;
    };
    static Pattern pattern(unsigned char delimiter) {
        return {_mm256_set1_epi8('\n'), _mm256_set1_epi8('\r'), _mm256_set1_epi8(static_cast<char>(delimiter))};
    }
    static std::uint64_t bits(__m256i hits) { return static_cast<std::uint32_t>(_mm256_movemask_epi8(hits)); }
    // `ends` marks LF and CR, and NUL too when `nul_ends`.
    static BlockMasks masks(__m256i low, __m256i high, const Pattern& p, bool nul_ends) {
        const auto ends = [&](__m256i block) {
            const __m256i line_ends = _mm256_or_si256(_mm256_cmpeq_epi8(block, p.line_feed), _mm256_cmpeq_epi8(block, p.carriage_return));
            if (!nul_ends) return line_ends;
            return _mm256_or_si256(line_ends, _mm256_cmpeq_epi8(block, _mm256_setzero_si256()));
        };
        return {bits(ends(low)) | bits(ends(high)) << 32,
                bits(_mm256_cmpeq_epi8(low, p.delimiter)) | bits(_mm256_cmpeq_epi8(high, p.delimiter)) << 32};
    }
    static BlockMasks classify(const unsigned char* bytes, const Pattern& p) {
        return masks(_mm256_load_si256(reinterpret_cast<const __m256i*>(bytes)),
                     _mm256_load_si256(reinterpret_cast<const __m256i*>(bytes + 32)), p, true);
    }
    static BlockMasks copy_and_classify(const unsigned char* bytes, char* to, const Pattern& p) {
        const __m256i low = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(bytes));
        const __m256i high = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(bytes + 32));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(to), low);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(to + 32), high);
        return masks(low, high, p, false);
    }
};

KernelResult kernel(ReaderState& reader, std::int32_t pos, std::int32_t limit, LineCursor& line) {
    return scan_blocks<Avx2>(reader, pos, limit, line);
}

void classify(ReaderState& reader, std::int32_t first_word, std::int32_t end_word, bool line_ends) {
    classify_blocks<Avx2>(reader, first_word, end_word, line_ends);
}
}  // namespace

std::int32_t next_line_avx2() { return scan_next_line<kernel, classify>(); }
std::int32_t count_fields_avx2(ReaderState& reader) { return count_fields_in_place(reader); }
void index_fields_avx2(ReaderState& reader) { index_fields_in_place(reader); }

}  // namespace lintrow
