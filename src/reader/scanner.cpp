// NextLine: takes the next line out of ReadBuffer into LineText, refilling
// the buffer as it runs dry, and indexes the fields on the way.
#include "scan_line.h"

namespace lintrow {

KernelResult scan_scalar(ReaderState& reader, std::int32_t pos, std::int32_t limit, LineCursor& line) {
    const unsigned char delimiter = reader.Delimiter;
    while (pos < limit) {
        const unsigned char ch = reader.ReadBuffer[pos++];
        if (ch == '\n') return {pos, true};
        if (ch == '\r') continue;
        reader.LineText[line.length++] = static_cast<char>(ch);
        if (ch == delimiter) reader.FieldStart[++line.field] = line.length;
        if (line.length == MAX_LINE_LENGTH) return {pos, true};
    }
    return {pos, false};
}

std::int32_t next_line_scalar() { return scan_next_line<scan_scalar>(); }

namespace {
std::int32_t choose_then_scan() {
    use_scan_path(ScanPath::Best);
    return active_line_scanner();
}
}  // namespace

constinit LineScanner active_line_scanner = choose_then_scan;

}  // namespace lintrow

extern "C" LINTROW_API int LINTROW_CALL NextLine(void) { return lintrow::active_line_scanner(); }
