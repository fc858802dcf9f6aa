// NextLine: takes the next line out of ReadBuffer into LineText, refilling
// the buffer as it runs dry, and indexes the fields on the way.
#include "scanner.h"

namespace lintrow {

KernelResult scan_scalar(ReaderState& reader, std::int32_t pos, std::int32_t limit, LineCursor& line) {
    const unsigned char delimiter = reader.Delimiter;
    while (pos < limit) {
        const unsigned char ch = reader.ReadBuffer[pos++];
        if (ch == '\n') return {pos, true};
        if (ch == '\r') continue;
        reader.LineText[line.length++] = static_cast<char>(ch);
        if (ch == delimiter) {
            reader.FieldLength[line.field] = line.length - 1 - reader.FieldStart[line.field];
            reader.FieldStart[++line.field] = line.length;
        }
        if (line.length == MAX_LINE_LENGTH) return {pos, true};
    }
    return {pos, false};
}

}  // namespace lintrow

using lintrow::Reader;

extern "C" LINTROW_API int LINTROW_CALL NextLine(void) {
    const lintrow::ScanKernel kernel = lintrow::active_kernel();
    std::int32_t pos = Reader.BufferPos;
    std::int32_t limit = Reader.BufferFill;
    lintrow::LineCursor line{0, 0};
    Reader.FieldStart[0] = 0;
    bool more = true;
    for (;;) {
        if (pos >= limit) {
            // A short fill marks the end of the file: this line ends here,
            // and what the next fill brings starts the next line.
            if (limit >= 0 && limit < READ_BUFFER_SIZE) more = false;
            Reader.BufferPos = 0;
            limit = Reader.BufferFill = lintrow::fill_read_buffer();
            if (limit == lintrow::platform::kFailed) break;
            pos = 0;
            if (!more || limit == 0) break;
        }
        const lintrow::KernelResult step = kernel(Reader, pos, limit, line);
        Reader.BytesConsumed += static_cast<std::uint32_t>(step.next - pos);
        Reader.BufferPos = pos = step.next;
        if (step.line_ended) break;
    }
    Reader.LineText[line.length] = '\0';
    Reader.FieldLength[line.field] = line.length - Reader.FieldStart[line.field];
    Reader.LineLength = line.length;
    Reader.FieldCount = line.field + 1;
    return line.length;
}
