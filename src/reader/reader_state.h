// The one reader of the process: its file, read buffer, counters, delimiter,
// current line and field tables, all in static storage of fixed size.
#pragma once

#include <cstdint>

#include "Lintrow.h"
#include "../platform/platform.h"

namespace lintrow {

// What the reader may do with FileHandle. Zero (the value at load) must come
// first so that the zero state needs no set-up.
enum class FileState : std::uint8_t {
    NeverOpened,  // handle value 0 is nobody's file: no fill is attempted
    Open,
    OpenFailed,   // every fill fails
    Closed,       // the handle value may belong to another file by now
};

// Bytes the vector scanner may read past the end of the valid data (after
// the line feed put there), and write past the end of the line, without
// leaving the record.
inline constexpr int kScanSlack = 64;

// One bit per byte of ReadBuffer, 64 to a word, the sentinel line feed after
// the valid bytes included.
inline constexpr int kBitWords = (READ_BUFFER_SIZE + kScanSlack) / 64;

struct ReaderState {
    platform::OpenInfo OpenInfo;
    platform::Handle FileHandle;
    FileState State;
    platform::SourceKind Source;
    unsigned char Delimiter;
    std::int32_t BufferPos;   // next byte to consume in ReadBuffer
    std::int32_t BufferFill;  // valid bytes from the last fill, -1 after a failed one or none
    std::uint32_t BytesConsumed;  // unsigned so that it wraps instead of overflowing
    std::int32_t LineLength;
    std::int32_t FieldCount;
    // A line that lies whole in ReadBuffer without a CR or NUL inside is left
    // there (LineInPlace, from LineOffset) instead of being copied to
    // LineText, and its fields are counted (FieldCount is kFieldsNotCounted
    // until then) and indexed (FieldsPending) from DelimiterBits only when
    // first asked for.
    // Both stay valid until the next scan, the only code that refills the
    // buffer or rebuilds the bits, so they are always those of the delimiter
    // in force when the line was scanned.
    std::int32_t LineOffset;
    bool LineInPlace;
    bool FieldsPending;
    // The byte DelimiterBits marks; the bits are rebuilt when a scan finds
    // that SetDelim changed the delimiter.
    unsigned char BitsDelimiter;
    alignas(64) unsigned char ReadBuffer[READ_BUFFER_SIZE + kScanSlack];
    alignas(64) char LineText[MAX_LINE_LENGTH + 1 + kScanSlack];
    // ReadBuffer classified once per fill: LF, CR or NUL, where a line left
    // in place must stop (so that one never holds a NUL and its copies need
    // no NUL test), and the delimiter (never CR or LF, which are never
    // delimiters).
    alignas(64) std::uint64_t LineStopBits[kBitWords];
    alignas(64) std::uint64_t DelimiterBits[kBitWords];
    // Where each field of the current line begins in its text, and after
    // the last one LineLength + 1, where a field after it would begin. A
    // field ends one character (its delimiter) before the next begins, so
    // its length needs no table of its own.
    std::int32_t FieldStart[MAX_FIELDS + 1];
};

extern constinit ReaderState Reader;

// The characters of the current line (LineLength of them; no NUL after a
// line left in place).
inline const char* line_text(const ReaderState& reader) {
    return reader.LineInPlace ? reinterpret_cast<const char*>(reader.ReadBuffer) + reader.LineOffset : reader.LineText;
}

inline constexpr std::int32_t kFieldsNotCounted = -1;

// FieldCount (which the counter also returns), or FieldStart and
// FieldCount, for a line left in place; the scan path in use supplies them.
using FieldCounter = std::int32_t (*)(ReaderState& reader);
using FieldIndexer = void (*)(ReaderState& reader);
extern FieldCounter active_field_counter;
extern FieldIndexer active_field_indexer;

// The current line's field count, counting it first if need be.
inline std::int32_t field_count(ReaderState& reader) {
    if (reader.FieldCount == kFieldsNotCounted) return active_field_counter(reader);
    return reader.FieldCount;
}

// Fills ReadBuffer from the file and puts a line feed after the valid bytes.
// Returns the byte count, 0 at the end, or -1 on failure. From a regular file
// the count is short only at its end or before a failed read; from a live
// source it is what has arrived.
std::int32_t fill_read_buffer();

}  // namespace lintrow
