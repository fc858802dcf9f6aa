// The scanner kernel for SSE2 (every x86-64 CPU; chosen at run time on x86).
#include <emmintrin.h>

#include "scan_blocks.h"
#include "scan_line.h"

namespace lintrow {
namespace {

struct Sse2 {
    struct Pattern {
        __m128i line_feed, carriage_return, delimiter;
    };
    static Pattern pattern(unsigned char delimiter) {
        return {_mm_set1_epi8('\n'), _mm_set1_epi8('\r'), _mm_set1_epi8(static_cast<char>(delimiter))};
    }
    static std::uint64_t bits(__m128i hits) { return static_cast<std::uint16_t>(_mm_movemask_epi8(hits)); }
    // `ends` marks LF and CR, and NUL too when `nul_ends`.
    static void add_masks(__m128i block, int quarter, const Pattern& p, bool nul_ends, BlockMasks& out) {
        __m128i ends = _mm_or_si128(_mm_cmpeq_epi8(block, p.line_feed), _mm_cmpeq_epi8(block, p.carriage_return));
        if (nul_ends) ends = _mm_or_si128(ends, _mm_cmpeq_epi8(block, _mm_setzero_si128()));
        out.ends |= bits(ends) << (16 * quarter);
        out.delimiters |= bits(_mm_cmpeq_epi8(block, p.delimiter)) << (16 * quarter);
    }
    static BlockMasks classify(const unsigned char* bytes, const Pattern& p) {
        BlockMasks out{0, 0};
        for (int i = 0; i < 4; ++i) {
            add_masks(_mm_load_si128(reinterpret_cast<const __m128i*>(bytes + 16 * i)), i, p, true, out);
        }
        return out;
    }
    static BlockMasks copy_and_classify(const unsigned char* bytes, char* to, const Pattern& p) {
        BlockMasks out{0, 0};
        for (int i = 0; i < 4; ++i) {
            const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + 16 * i));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(to + 16 * i), block);
            add_masks(block, i, p, false, out);
        }
        return out;
    }
};

KernelResult kernel(ReaderState& reader, std::int32_t pos, std::int32_t limit, LineCursor& line) {
    return scan_blocks<Sse2>(reader, pos, limit, line);
}

void classify(ReaderState& reader, std::int32_t first_word, std::int32_t end_word, bool line_ends) {
    classify_blocks<Sse2>(reader, first_word, end_word, line_ends);
}
}  // namespace

std::int32_t next_line_sse2() { return scan_next_line<kernel, classify>(); }

}  // namespace lintrow
