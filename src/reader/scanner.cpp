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
