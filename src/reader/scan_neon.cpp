// The scanner kernel for NEON (every ARM64 CPU).
#include <arm_neon.h>

#include "scan_blocks.h"
#include "scan_line.h"

namespace lintrow {
namespace {

struct Neon {
    struct Pattern {
        uint8x16_t line_ends, stops, delimiter;
    };
    static Pattern pattern(unsigned char delimiter) {
        return {vld1q_u8(kLineEnds.entries), vld1q_u8(kStops.entries), vdupq_n_u8(delimiter)};
    }
    // NEON has no movemask: each compare result (0xFF or 0) keeps one bit of
    // 1, 2, 4 ... 0x80, and three rounds of pairwise adds narrow 64 bytes
    // to 8, the bits in memory order.
    static std::uint64_t bits(uint8x16_t a, uint8x16_t b, uint8x16_t c, uint8x16_t d) {
        static constexpr std::uint8_t kWeights[16] = {1, 2, 4, 8, 16, 32, 64, 128, 1, 2, 4, 8, 16, 32, 64, 128};
        const uint8x16_t weights = vld1q_u8(kWeights);
        const uint8x16_t ab = vpaddq_u8(vandq_u8(a, weights), vandq_u8(b, weights));
        const uint8x16_t cd = vpaddq_u8(vandq_u8(c, weights), vandq_u8(d, weights));
        const uint8x16_t abcd = vpaddq_u8(ab, cd);
        return vgetq_lane_u64(vreinterpretq_u64_u8(vpaddq_u8(abcd, abcd)), 0);
    }
    // `table` keeps LF and CR (and NUL): one lookup and one compare a block.
    static BlockMasks masks(const uint8x16_t (&blocks)[4], uint8x16_t table, uint8x16_t delimiter) {
        const auto ends = [&](uint8x16_t block) { return vceqq_u8(vqtbl1q_u8(table, block), block); };
        const auto delimiters = [&](uint8x16_t block) { return vceqq_u8(block, delimiter); };
        return {bits(ends(blocks[0]), ends(blocks[1]), ends(blocks[2]), ends(blocks[3])),
                bits(delimiters(blocks[0]), delimiters(blocks[1]), delimiters(blocks[2]), delimiters(blocks[3]))};
    }
    static BlockMasks classify(const unsigned char* bytes, const Pattern& p) {
        const uint8x16_t blocks[4] = {vld1q_u8(bytes), vld1q_u8(bytes + 16), vld1q_u8(bytes + 32), vld1q_u8(bytes + 48)};
        return masks(blocks, p.stops, p.delimiter);
    }
    static BlockMasks copy_and_classify(const unsigned char* bytes, char* to, const Pattern& p) {
        const uint8x16_t blocks[4] = {vld1q_u8(bytes), vld1q_u8(bytes + 16), vld1q_u8(bytes + 32), vld1q_u8(bytes + 48)};
        auto* const out = reinterpret_cast<std::uint8_t*>(to);
        for (int i = 0; i < 4; ++i) vst1q_u8(out + 16 * i, blocks[i]);
        return masks(blocks, p.line_ends, p.delimiter);
    }
};

KernelResult kernel(ReaderState& reader, std::int32_t pos, std::int32_t limit, LineCursor& line) {
    return scan_blocks<Neon>(reader, pos, limit, line);
}

void classify(ReaderState& reader, std::int32_t first_word, std::int32_t end_word, bool line_ends) {
    classify_blocks<Neon>(reader, first_word, end_word, line_ends);
}
}  // namespace

std::int32_t next_line_neon() { return scan_next_line<kernel, classify>(); }
std::int32_t count_fields_neon(ReaderState& reader) { return count_fields_in_place(reader); }
void index_fields_neon(ReaderState& reader) { index_fields_in_place(reader); }

}  // namespace lintrow
