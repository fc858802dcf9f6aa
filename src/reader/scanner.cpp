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
// The portable twin of the vector classifiers, eight bytes at a time in a
// 64-bit word (SWAR): a byte equal to the pattern's becomes a zero byte,
// each zero byte gets exactly its high bit, and a multiply gathers the eight
// high bits into one byte of the mask. Byte order: the loads are of bytes in
// memory order, so the word is assembled explicitly.
std::uint64_t load_in_memory_order(const unsigned char* bytes) {
    std::uint64_t word = 0;
    for (int i = 7; i >= 0; --i) word = word << 8 | bytes[i];
    return word;
}

std::uint64_t zero_bytes(std::uint64_t word) {
    constexpr std::uint64_t kLow7 = 0x7F7F7F7F7F7F7F7Fu;
    return ~(((word & kLow7) + kLow7) | word | kLow7);
}

std::uint64_t gather_high_bits(std::uint64_t high_bits) {
    return ((high_bits >> 7) * 0x0102040810204080u) >> 56;
}

void classify_scalar(ReaderState& reader, std::int32_t first_word, std::int32_t end_word, bool line_ends) {
    constexpr std::uint64_t kEach = 0x0101010101010101u;
    const unsigned char delimiter = reader.BitsDelimiter;
    const bool delimiter_counts = delimiter != '\r' && delimiter != '\n';
    const std::uint64_t delimiters_pattern = kEach * delimiter;
    for (std::int32_t word = first_word; word < end_word; ++word) {
        const unsigned char* const bytes = reader.ReadBuffer + 64 * word;
        std::uint64_t ends = 0;
        std::uint64_t delimiters = 0;
        for (int part = 0; part < 8; ++part) {
            const std::uint64_t eight = load_in_memory_order(bytes + 8 * part);
            const std::uint64_t end_bytes =
                zero_bytes(eight ^ (kEach * '\n')) | zero_bytes(eight ^ (kEach * '\r')) | zero_bytes(eight);
            ends |= gather_high_bits(end_bytes) << (8 * part);
            delimiters |= gather_high_bits(zero_bytes(eight ^ delimiters_pattern)) << (8 * part);
        }
        if (line_ends) reader.LineStopBits[word] = ends;
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
constinit ScanPath chosen_scan_path = ScanPath::Best;

ScanPath scan_path() {
    if (chosen_scan_path == ScanPath::Best) use_scan_path(ScanPath::Best);
    return chosen_scan_path;
}

}  // namespace lintrow

extern "C" LINTROW_API int LINTROW_CALL NextLine(void) { return lintrow::active_line_scanner(); }
