// Opening, closing and the two counters.
#include "reader_state.h"

namespace lintrow {

constinit ReaderState Reader{};

namespace {
std::int32_t read_into_buffer() {
    switch (Reader.State) {
        case FileState::NeverOpened: return 0;
        case FileState::OpenFailed:
        case FileState::Closed: return platform::kFailed;
        case FileState::Open: break;
    }
    // A file read short before its end is read on: only its end may cut a
    // line short. A live source hands over what has arrived: one read, so
    // that a line already there is never held back waiting for more.
    std::int32_t total = 0;
    while (total < READ_BUFFER_SIZE) {
        const std::int32_t room = READ_BUFFER_SIZE - total;
        const std::int32_t got =
            platform::active_calls->read(Reader.FileHandle, Reader.ReadBuffer + total, room);
        if (got < 0) return total > 0 ? total : platform::kFailed;  // keep what arrived
        if (got == 0) break;
        total += got < room ? got : room;
        if (Reader.Source == platform::SourceKind::Live) break;
    }
    return total;
}
}  // namespace

std::int32_t fill_read_buffer() {
    const std::int32_t filled = read_into_buffer();
    // A line feed after the valid bytes stops the vector kernels at their
    // end without a count of their own; it is never consumed.
    Reader.ReadBuffer[filled > 0 ? filled : 0] = '\n';
    return filled;
}

}  // namespace lintrow

using lintrow::Reader;

extern "C" {

LINTROW_API int LINTROW_CALL PrepareFile(const char* path) {
    Reader.Source = lintrow::platform::SourceKind::RegularFile;
    Reader.FileHandle = lintrow::platform::active_calls->open_for_reading(
        path != nullptr ? path : "", Reader.OpenInfo, Reader.Source);
    Reader.State = Reader.FileHandle == lintrow::platform::kFailed ? lintrow::FileState::OpenFailed
                                                                   : lintrow::FileState::Open;
    Reader.BufferPos = 0;
    Reader.BufferFill = -1;
    Reader.BytesConsumed = 0;
    Reader.Delimiter = 0;
    return Reader.FileHandle;
}

LINTROW_API void LINTROW_CALL SetDelim(const char* delimiter) {
    Reader.Delimiter = delimiter != nullptr ? static_cast<unsigned char>(delimiter[0]) : 0;
}

LINTROW_API int LINTROW_CALL CloseFile(void) {
    // Handing a closed or never-opened handle value to the system could close
    // a file the host opened since.
    if (Reader.State != lintrow::FileState::Open) return HFILE_ERROR;
    Reader.State = lintrow::FileState::Closed;
    return lintrow::platform::active_calls->close(Reader.FileHandle);
}

LINTROW_API int LINTROW_CALL Fields(void) { return lintrow::field_count(Reader); }

LINTROW_API int LINTROW_CALL Pos(void) { return static_cast<std::int32_t>(Reader.BytesConsumed); }

}  // extern "C"
