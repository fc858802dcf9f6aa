// The block scanner shared by the vector kernels. Each kernel's translation
// unit is compiled for its own instruction set and includes this file with
// an Isa type that turns 32 bytes into a bit mask of line feeds, carriage
// returns and delimiters. Everything here has internal linkage, so no code
// built for a wider instruction set can be picked for another kernel.
#pragma once

#include <cstring>

#include "scanner.h"

namespace lintrow {
namespace {

constexpr std::int32_t kBlock = 32;

// Takes bytes from ReadBuffer[pos, limit) into the line, 32 at a time: each
// block is copied to the line whole, then only its special bytes are looked
// at. Same contract as scan_scalar.
template <class Isa>
inline KernelResult scan_blocks(ReaderState& reader, std::int32_t pos, const std::int32_t limit, LineCursor& line) {
    const unsigned char* const input = reader.ReadBuffer;
    char* const output = reader.LineText;
    // CR and LF are never delimiters; comparing with LF twice costs nothing.
    const unsigned char delimiter =
        reader.Delimiter == '\r' || reader.Delimiter == '\n' ? static_cast<unsigned char>('\n') : reader.Delimiter;
    const typename Isa::Pattern pattern = Isa::pattern(delimiter);
    std::int32_t length = line.length;
    std::int32_t field = line.field;
    std::int32_t field_start = reader.FieldStart[field];

    while (pos < limit) {
        // Bytes past limit are stale but inside the record (kScanSlack); the
        // mask drops them and the copy lands past the line's end.
        const std::int32_t valid = limit - pos < kBlock ? limit - pos : kBlock;
        std::uint32_t specials = Isa::special_mask(input + pos, pattern);
        if (valid < kBlock) specials &= (std::uint32_t{1} << valid) - 1;
        std::memcpy(output + length, input + pos, kBlock);
        const std::int32_t room = MAX_LINE_LENGTH - length;

        bool realign = false;
        while (specials != 0 && !realign) {
            const std::int32_t at = __builtin_ctz(specials);
            specials &= specials - 1;
            if (at >= room) break;  // the line fills up before this byte
            const unsigned char ch = input[pos + at];
            if (ch == '\n') {
                line.length = length + at;
                line.field = field;
                reader.FieldStart[field] = field_start;
                return {pos + at + 1, true};
            }
            if (ch == '\r') {
                // Dropped. A following LF ends the line; otherwise the rest
                // of the block shifts by one and is copied again.
                if (pos + at + 1 < limit && input[pos + at + 1] == '\n') {
                    line.length = length + at;
                    line.field = field;
                    reader.FieldStart[field] = field_start;
                    return {pos + at + 2, true};
                }
                length += at;
                pos += at + 1;
                realign = true;
                break;
            }
            // A delimiter, already copied: close the field, open the next.
            reader.FieldLength[field] = length + at - field_start;
            reader.FieldStart[field] = field_start;
            ++field;
            field_start = length + at + 1;
            if (field_start == MAX_LINE_LENGTH) {
                line.length = MAX_LINE_LENGTH;
                line.field = field;
                reader.FieldStart[field] = field_start;
                return {pos + at + 1, true};
            }
        }
        if (realign) continue;
        if (valid >= room) {
            line.length = MAX_LINE_LENGTH;
            line.field = field;
            reader.FieldStart[field] = field_start;
            return {pos + room, true};
        }
        length += valid;
        pos += valid;
    }
    line.length = length;
    line.field = field;
    reader.FieldStart[field] = field_start;
    return {pos, false};
}

}  // namespace
}  // namespace lintrow
