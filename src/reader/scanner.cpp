// NextLine: takes the next line out of ReadBuffer into LineText, refilling
// the buffer as it runs dry, and indexes the fields on the way.
#include "scan_line.h"

namespace lintrow {

KernelResult scan_scalar(ReaderState& reader, std::int32_t pos, std::int32_t limit, LineCursor& line) {
    // Locals, not the cursor: every character stored could alias it.
    const unsigned char delimiter = reader.Delimiter;
    const unsigned char* const input = reader.ReadBuffer;
    char* const output = reader.LineText;
    std::int32_t length = line.length;
    std::int32_t field = line.field;
    bool ended = false;
    while (pos < limit) {
        const unsigned char ch = input[pos++];
        if (ch == '\n') {
            ended = true;
            break;
        }
        if (ch == '\r') continue;
        output[length++] = static_cast<char>(ch);
        if (ch == delimiter) reader.FieldStart[++field] = length;
        if (length == MAX_LINE_LENGTH) {
            ended = true;
            break;
        }
    }
    line.length = length;
    line.field = field;
    return {pos, ended};
}

namespace {
// The portable twin of the vector classifiers, a byte at a time.
void classify_scalar(ReaderState& reader, std::int32_t first_word, std::int32_t end_word, bool line_ends) {
    const unsigned char delimiter = reader.BitsDelimiter;
    const bool delimiter_counts = delimiter != '\r' && delimiter != '\n';
    for (std::int32_t word = first_word; word < end_word; ++word) {
        const unsigned char* const bytes = reader.ReadBuffer + 64 * word;
        std::uint64_t ends = 0;
        std::uint64_t delimiters = 0;
        for (int i = 0; i < 64; ++i) {
            ends |= std::uint64_t{bytes[i] == '\n' || bytes[i] == '\r'} << i;
            delimiters |= std::uint64_t{bytes[i] == delimiter} << i;
        }
        if (line_ends) reader.LineEndBits[word] = ends;
        reader.DelimiterBits[word] = delimiter_counts ? delimiters : 0;
    }
}
}  // namespace

std::int32_t next_line_scalar() { return scan_next_line<scan_scalar, classify_scalar>(); }
std::int32_t count_fields_scalar(ReaderState& reader) { return count_fields_in_place(reader); }
void index_fields_scalar(ReaderState& reader) { index_fields_in_place(reader); }

namespace {
std::int32_t choose_then_scan() {
    use_scan_path(ScanPath::Best);
    return active_line_scanner();
}
}  // namespace

constinit LineScanner active_line_scanner = choose_then_scan;
constinit FieldCounter active_field_counter = count_fields_scalar;
constinit FieldIndexer active_field_indexer = index_fields_scalar;

}  // namespace lintrow

extern "C" LINTROW_API int LINTROW_CALL NextLine(void) { return lintrow::active_line_scanner(); }
