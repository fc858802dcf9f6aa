// NextLine's loop around a kernel: refills the buffer as it runs dry and
// keeps the counters. Each scanner's translation unit instantiates it with
// its own kernel; internal linkage keeps the instantiations apart.
#pragma once

#include "scanner.h"

namespace lintrow {
namespace {

template <KernelResult (*Kernel)(ReaderState&, std::int32_t, std::int32_t, LineCursor&)>
inline std::int32_t scan_next_line() {
    ReaderState& reader = Reader;
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
            if (!more || limit == 0) break;
        }
        const KernelResult step = Kernel(reader, pos, limit, line);
        reader.BytesConsumed += static_cast<std::uint32_t>(step.next - pos);
        reader.BufferPos = pos = step.next;
        if (step.line_ended) break;
    }
    reader.LineText[line.length] = '\0';
    reader.LineLength = line.length;
    reader.FieldCount = line.field + 1;
    return line.length;
}

}  // namespace
}  // namespace lintrow
