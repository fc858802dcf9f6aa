// The block scanner shared by the vector kernels. Each kernel's translation
// unit is compiled for its own instruction set and includes this file with
// an Isa type that copies 64 bytes and turns them into two bit masks: line
// ends (LF and CR) and delimiters. Everything here has internal linkage, so
// no code built for a wider instruction set can be picked for another kernel.
#pragma once

#include "scanner.h"

namespace lintrow {
namespace {

constexpr std::int32_t kBlock = 64;

// A byte b is LF or CR (or NUL) exactly when it equals entry b % 16 of a
// 16-byte table: one table lookup and one compare instead of two or three
// compares. The other entries differ from their index in the low four
// bits, so no byte matches them; a lookup gives 0 for bytes from 0x80 on
// (AVX2's shuffle) or from 16 on (NEON's), which are not 0. Twice over, for
// AVX2's two 16-byte lanes.
struct alignas(32) ByteTable {
    unsigned char entries[32];
};
consteval ByteTable byte_table(bool nul) {
    ByteTable table{};
    for (int i = 0; i < 32; ++i) {
        const int nibble = i % 16;
        const bool kept = nibble == '\n' || nibble == '\r' || (nul && nibble == 0);
        table.entries[i] = static_cast<unsigned char>(kept ? nibble : nibble + 1);
    }
    return table;
}
constexpr ByteTable kLineEnds = byte_table(false);
constexpr ByteTable kStops = byte_table(true);

struct BlockMasks {
    std::uint64_t ends;        // LF or CR (and NUL, when a fill is classified)
    std::uint64_t delimiters;  // the delimiter byte
};

// Takes bytes from ReadBuffer[pos, limit) into the line, 64 at a time: each
// block is copied to the line whole, the start of each field is taken from
// the delimiter mask, and only LF and CR need a look at the byte. Same
// contract as scan_scalar.
template <class Isa>
inline KernelResult scan_blocks(ReaderState& reader, const std::int32_t pos, const std::int32_t limit, LineCursor& line) {
    const unsigned char* const input = reader.ReadBuffer;
    char* const output = reader.LineText;
    // CR and LF are never delimiters.
    const bool delimiter_counts = reader.Delimiter != '\r' && reader.Delimiter != '\n';
    const std::uint64_t delimiter_filter = delimiter_counts ? ~std::uint64_t{0} : 0;
    const typename Isa::Pattern pattern = Isa::pattern(reader.Delimiter);
    const unsigned char* in = input + pos;
    const unsigned char* const end = input + limit;
    char* out = output + line.length;
    // Past this point the line may fill up within a block.
    char* const last_block = output + MAX_LINE_LENGTH - kBlock;
    std::int32_t* next_start = reader.FieldStart + line.field + 1;

    const auto finish = [&](const unsigned char* next, bool ended) {
        line.length = static_cast<std::int32_t>(out - output);
        line.field = static_cast<std::int32_t>(next_start - reader.FieldStart) - 1;
        return KernelResult{static_cast<std::int32_t>(next - input), ended};
    };

    while (in < end) {
        if (out >= last_block) {
            // The scalar kernel finishes the line, at most a block's worth. A
            // copy of the cursor goes out, so that the caller's stays in
            // registers.
            finish(in, false);
            LineCursor tail = line;
            const KernelResult result = scan_scalar(reader, static_cast<std::int32_t>(in - input), limit, tail);
            line = tail;
            return result;
        }
        // The line feed put at limit ends every stretch there; bytes past it
        // are stale but inside the record (kScanSlack), and their copy lands
        // past the line's end.
        const BlockMasks masks = Isa::copy_and_classify(in, out, pattern);
        const std::int32_t stop = masks.ends != 0 ? __builtin_ctzll(masks.ends) : kBlock;
        // Delimiters before the first line end belong to this stretch; each
        // opens a field at the character after it.
        std::uint64_t delimiters = masks.delimiters & delimiter_filter;
        if (stop < kBlock) delimiters &= (std::uint64_t{1} << stop) - 1;
        const std::int32_t after = static_cast<std::int32_t>(out - output) + 1;
        while (delimiters != 0) {
            *next_start++ = after + __builtin_ctzll(delimiters);
            delimiters &= delimiters - 1;
        }
        in += stop;
        out += stop;
        if (masks.ends == 0 || in == end) continue;
        if (*in == '\n') return finish(in + 1, true);
        // A CR is dropped; with its LF it ends the line, otherwise the rest
        // of the block is copied again one place further on.
        if (in + 1 < end && in[1] == '\n') return finish(in + 2, true);
        ++in;
    }
    return finish(in, false);
}

// Classifies whole 64-byte blocks of ReadBuffer into its bit masks.
template <class Isa>
inline void classify_blocks(ReaderState& reader, std::int32_t first_word, std::int32_t end_word, bool line_ends) {
    const bool delimiter_counts = reader.BitsDelimiter != '\r' && reader.BitsDelimiter != '\n';
    const std::uint64_t delimiter_filter = delimiter_counts ? ~std::uint64_t{0} : 0;
    const typename Isa::Pattern pattern = Isa::pattern(reader.BitsDelimiter);
    const unsigned char* bytes = reader.ReadBuffer + 64 * first_word;
    if (line_ends) {
        for (std::int32_t word = first_word; word < end_word; ++word, bytes += kBlock) {
            const BlockMasks masks = Isa::classify(bytes, pattern);
            reader.LineStopBits[word] = masks.ends;
            reader.DelimiterBits[word] = masks.delimiters & delimiter_filter;
        }
    } else {
        for (std::int32_t word = first_word; word < end_word; ++word, bytes += kBlock) {
            reader.DelimiterBits[word] = Isa::classify(bytes, pattern).delimiters & delimiter_filter;
        }
    }
}

}  // namespace
}  // namespace lintrow
