// NextLine around a kernel and a classifier: each fill is classified once
// into bit masks of line ends and delimiters, a line that lies whole in the
// buffer is found with a bit scan and left where it lies, and the kernel
// copies only the rest (lines with a CR inside, lines that cross a fill,
// the end of the file). Each scanner's translation unit instantiates it with
// its own kernel and classifier; internal linkage keeps them apart.
#pragma once

#include <bit>

#include "scanner.h"

namespace lintrow {
namespace {

// Marks bytes [64 * first_word, 64 * end_word) of ReadBuffer in DelimiterBits
// and, when `line_ends`, in LineStopBits.
using Classifier = void (*)(ReaderState& reader, std::int32_t first_word, std::int32_t end_word, bool line_ends);

// Bits of the words of ReadBuffer from byte `from` on, and below byte `to`.
// Offsets are never negative: unsigned arithmetic spares the sign fix-ups.
inline std::uint64_t bits_from(std::uint32_t from) { return ~std::uint64_t{0} << (from % 64); }
inline std::uint64_t bits_below(std::uint32_t to) { return (std::uint64_t{1} << (to % 64)) - 1; }

// The words that hold the bits of a fill of `limit` bytes and its sentinel.
inline std::int32_t words_of_fill(std::int32_t limit) { return limit / 64 + 1; }

// The line at BufferPos when it can be left in place: it ends with LF or
// CR LF inside the fill, or fills a whole piece, with no CR or NUL before
// its end. Returns its length, or -1 when the kernel must copy it.
template <Classifier Classify>
inline std::int32_t take_line_in_place(ReaderState& reader) {
    const std::int32_t pos = reader.BufferPos;
    const std::int32_t limit = reader.BufferFill;
    if (pos >= limit) return -1;
    const auto start = static_cast<std::uint32_t>(pos);
    if (reader.Delimiter != reader.BitsDelimiter) {
        reader.BitsDelimiter = reader.Delimiter;
        Classify(reader, static_cast<std::int32_t>(start / 64), words_of_fill(limit), false);
    }
    // The sentinel line feed at limit stops the search.
    const std::uint64_t* word = reader.LineStopBits + start / 64;
    std::uint64_t bits = *word & bits_from(start);
    while (bits == 0) bits = *++word;
    const auto end = static_cast<std::int32_t>((word - reader.LineStopBits) * 64 + std::countr_zero(bits));
    std::int32_t length = end - pos;
    std::int32_t consumed;
    if (length >= MAX_LINE_LENGTH) {
        length = consumed = MAX_LINE_LENGTH;
    } else if (end < limit && reader.ReadBuffer[end] == '\n') {
        consumed = length + 1;
    } else if (end + 1 < limit && reader.ReadBuffer[end] == '\r' && reader.ReadBuffer[end + 1] == '\n') {
        consumed = length + 2;
    } else {
        return -1;  // a NUL, a CR inside the line, or the end of the fill
    }
    reader.LineOffset = pos;
    reader.LineInPlace = true;
    reader.LineLength = length;
    reader.FieldCount = kFieldsNotCounted;
    reader.FieldsPending = true;
    reader.BufferPos = pos + consumed;
    reader.BytesConsumed += static_cast<std::uint32_t>(consumed);
    return length;
}

// The line at BufferPos copied by the kernel into LineText, refilling the
// buffer as it runs dry. Out of line, so that the common in-place line pays
// for none of its registers.
template <KernelResult (*Kernel)(ReaderState&, std::int32_t, std::int32_t, LineCursor&), Classifier Classify>
[[gnu::noinline]] std::int32_t copy_next_line(ReaderState& reader) {
    std::int32_t pos = reader.BufferPos;
    std::int32_t limit = reader.BufferFill;
    LineCursor line{0, 0};  // FieldStart[0] is 0 for good: the first field starts the line
    bool more = true;
    for (;;) {
        if (pos >= limit) {
            // A short fill from a file marks its end: this line ends here,
            // and what the next fill brings starts the next line. A live
            // source ends only with a read of 0 bytes.
            if (limit >= 0 && limit < READ_BUFFER_SIZE && reader.Source == platform::SourceKind::RegularFile) {
                more = false;
            }
            reader.BufferPos = 0;
            limit = reader.BufferFill = fill_read_buffer();
            if (limit == platform::kFailed) break;
            pos = 0;
            if (limit > 0) {
                reader.BitsDelimiter = reader.Delimiter;
                Classify(reader, 0, words_of_fill(limit), true);
            }
            if (!more || limit == 0) break;
        }
        const KernelResult step = Kernel(reader, pos, limit, line);
        reader.BytesConsumed += static_cast<std::uint32_t>(step.next - pos);
        reader.BufferPos = pos = step.next;
        if (step.line_ended) break;
    }
    reader.LineText[line.length] = '\0';
    reader.LineInPlace = false;
    reader.FieldsPending = false;
    reader.LineLength = line.length;
    reader.FieldCount = line.field + 1;
    reader.FieldStart[line.field + 1] = line.length + 1;
    return line.length;
}

// FieldCount of a line left in place, from DelimiterBits; returns it.
inline std::int32_t count_fields_in_place(ReaderState& reader) {
    const auto from = static_cast<std::uint32_t>(reader.LineOffset);
    const auto to = from + static_cast<std::uint32_t>(reader.LineLength);
    const std::uint64_t* word = reader.DelimiterBits + from / 64;
    const std::uint64_t* const last = reader.DelimiterBits + to / 64;
    std::uint64_t bits = *word & bits_from(from);
    std::int32_t delimiters = 0;
    while (word < last) {
        delimiters += std::popcount(bits);
        bits = *++word;
    }
    const std::int32_t count = delimiters + std::popcount(bits & bits_below(to)) + 1;
    reader.FieldCount = count;
    return count;
}

// FieldStart (and FieldCount) of a line left in place, from DelimiterBits.
inline void index_fields_in_place(ReaderState& reader) {
    const auto from = static_cast<std::uint32_t>(reader.LineOffset);
    const auto to = from + static_cast<std::uint32_t>(reader.LineLength);
    const std::uint32_t last = to / 64;
    std::int32_t* next_start = reader.FieldStart + 1;
    std::uint32_t word = from / 64;
    std::uint64_t bits = reader.DelimiterBits[word] & bits_from(from);
    for (;;) {
        if (word == last) bits &= bits_below(to);
        // Each delimiter opens a field at the character after it.
        const auto after = static_cast<std::int32_t>(word * 64 - from + 1);
        while (bits != 0) {
            *next_start++ = after + std::countr_zero(bits);
            bits &= bits - 1;
        }
        if (word == last) break;
        bits = reader.DelimiterBits[++word];
    }
    *next_start = reader.LineLength + 1;
    reader.FieldCount = static_cast<std::int32_t>(next_start - reader.FieldStart);
    reader.FieldsPending = false;
}

template <KernelResult (*Kernel)(ReaderState&, std::int32_t, std::int32_t, LineCursor&), Classifier Classify>
inline std::int32_t scan_next_line() {
    ReaderState& reader = Reader;
    const std::int32_t in_place = take_line_in_place<Classify>(reader);
    if (in_place >= 0) return in_place;
    return copy_next_line<Kernel, Classify>(reader);
}

}  // namespace
}  // namespace lintrow
