// The scanner kernel for SSE2 (every x86-64 CPU; chosen at run time on x86).
#include <emmintrin.h>

#include "scan_blocks.h"

namespace lintrow {
namespace {

struct Sse2 {
    struct Pattern {
        __m128i line_feed, carriage_return, delimiter;
    };
    static Pattern pattern(unsigned char delimiter) {
        return {_mm_set1_epi8('\n'), _mm_set1_epi8('\r'), _mm_set1_epi8(static_cast<char>(delimiter))};
    }
    static std::uint32_t half_mask(const unsigned char* bytes, const Pattern& p) {
        const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes));
        const __m128i hits = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(block, p.line_feed), _mm_cmpeq_epi8(block, p.carriage_return)),
                                          _mm_cmpeq_epi8(block, p.delimiter));
        return static_cast<std::uint32_t>(_mm_movemask_epi8(hits));
    }
    static std::uint32_t special_mask(const unsigned char* bytes, const Pattern& p) {
        return half_mask(bytes, p) | half_mask(bytes + 16, p) << 16;
    }
};

}  // namespace

KernelResult scan_sse2(ReaderState& reader, std::int32_t pos, std::int32_t limit, LineCursor& line) {
    return scan_blocks<Sse2>(reader, pos, limit, line);
}

}  // namespace lintrow
