// Copies of the line and its fields into buffers the host owns, and the
// search ahead for a line that starts with a prefix.
#include <cstring>

#include "scanner.h"

namespace lintrow {
namespace {

// The host's buffer, or nullptr when there is no room at all.
char* buffer_of(StringSlot slot, std::int32_t maxlen) {
    if (maxlen < 0 || slot == nullptr) return nullptr;
    return *slot;
}

// strncpy of n = min(length, maxlen) bytes followed by a NUL at n: exactly
// n + 1 bytes written, n returned even when a NUL inside the source hides the
// rest of it.
std::int32_t copy_out(StringSlot slot, std::int32_t maxlen, const char* source, std::int32_t length) {
    char* const buffer = buffer_of(slot, maxlen);
    if (buffer == nullptr) return 0;
    const std::int32_t n = length < maxlen ? length : maxlen;
    const void* const nul = std::memchr(source, '\0', static_cast<std::size_t>(n));
    const std::int32_t visible = nul != nullptr ? static_cast<std::int32_t>(static_cast<const char*>(nul) - source) : n;
    std::memcpy(buffer, source, static_cast<std::size_t>(visible));
    std::memset(buffer + visible, '\0', static_cast<std::size_t>(n - visible) + 1);
    return n;
}

}  // namespace
}  // namespace lintrow

using lintrow::Reader;

extern "C" {

LINTROW_API int LINTROW_CALL GetLine(StringSlot slot, int maxlen) {
    const std::int32_t length = NextLine();
    if (length == 0) return 0;
    return lintrow::copy_out(slot, maxlen, Reader.LineText, length);
}

LINTROW_API int LINTROW_CALL CurrentRecord(StringSlot slot, int maxlen) {
    return lintrow::copy_out(slot, maxlen, Reader.LineText, Reader.LineLength);
}

LINTROW_API int LINTROW_CALL GetField(int index, StringSlot slot, int maxlen) {
    if (index < 1 || index > Reader.FieldCount) return 0;
    return lintrow::copy_out(slot, maxlen, Reader.LineText + Reader.FieldStart[index - 1],
                             lintrow::field_length(Reader, index - 1));
}

LINTROW_API int LINTROW_CALL SkipToLine(const char* prefix1, const char* prefix2, StringSlot slot, int maxlen) {
    if (prefix1 == nullptr) prefix1 = "";
    if (prefix2 == nullptr) prefix2 = "";
    const std::size_t length1 = std::strlen(prefix1);
    const std::size_t length2 = std::strlen(prefix2);
    for (;;) {
        const std::int32_t n = GetLine(slot, maxlen);
        char* const buffer = lintrow::buffer_of(slot, maxlen);
        if (n == 0) {
            // An empty line or the end of the file ends the search.
            if (buffer != nullptr) buffer[0] = '\0';
            return 0;
        }
        // The test is made on the (possibly truncated) copy, not on the line.
        if (std::strncmp(buffer, prefix1, length1) == 0 || std::strncmp(buffer, prefix2, length2) == 0) {
            return n;
        }
    }
}

}  // extern "C"
