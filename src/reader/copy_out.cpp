// Copies of the line and its fields into buffers the host owns, and the
// search ahead for a line that starts with a prefix.
#include <bit>
#include <cstring>

#include "scanner.h"

namespace lintrow {
namespace {

// The host's buffer, or nullptr when there is no room at all.
char* buffer_of(StringSlot slot, std::int32_t maxlen) {
    if (maxlen < 0 || slot == nullptr) return nullptr;
    return *slot;
}

// The high bit of each NUL byte of `word`, and perhaps of bytes above a NUL:
// the lowest flagged byte is exactly the first NUL (little-endian), and no
// flag at all means no NUL.
constexpr std::uint64_t nul_flags(std::uint64_t word) {
    return (word - 0x0101010101010101u) & ~word & 0x8080808080808080u;
}

// The number of bytes of the 16 in `words` before the first NUL, or 16.
std::int32_t bytes_before_nul(const std::uint64_t (&words)[2]) {
    for (int i = 0; i < 2; ++i) {
        const std::uint64_t zeros = nul_flags(words[i]);
        if (zeros != 0) return 8 * i + __builtin_ctzll(zeros) / 8;
    }
    return 16;
}

// Writes exactly `count` (1 to 16) bytes of the 16 held in `low` and `high`
// (little-endian) with two overlapping stores, straight from registers.
[[gnu::always_inline]] inline void store_exact(char* to, std::uint64_t low, std::uint64_t high, std::int32_t count) {
    if (count >= 8) {
        // The last 8 bytes start at count - 8, somewhere in the 16.
        const int shift = 8 * (count - 8);
        const std::uint64_t tail = shift == 0    ? low
                                   : shift == 64 ? high
                                                 : low >> shift | high << (64 - shift);
        std::memcpy(to, &low, 8);
        std::memcpy(to + count - 8, &tail, 8);
    } else if (count >= 4) {
        const auto head = static_cast<std::uint32_t>(low);
        const auto tail = static_cast<std::uint32_t>(low >> (8 * (count - 4)));
        std::memcpy(to, &head, 4);
        std::memcpy(to + count - 4, &tail, 4);
    } else if (count >= 2) {
        const auto head = static_cast<std::uint16_t>(low);
        const auto tail = static_cast<std::uint16_t>(low >> (8 * (count - 2)));
        std::memcpy(to, &head, 2);
        std::memcpy(to + count - 2, &tail, 2);
    } else {
        to[0] = static_cast<char>(low);
    }
}

// Out of line, so that the short copies save no registers for the call.
[[gnu::noinline]] std::int32_t copy_long_clean(char* buffer, const char* source, std::int32_t n) {
    std::memcpy(buffer, source, static_cast<std::size_t>(n));
    buffer[n] = '\0';
    return n;
}

// Source bytes n - 7 to n - 1 and a NUL at n, stored as one word (n at
// least 7; the source has room to read the byte at n).
[[gnu::always_inline]] inline void copy_last_word(char* buffer, const char* source, std::int32_t n) {
    std::uint64_t word;
    std::memcpy(&word, source + n - 7, 8);
    word &= (std::uint64_t{1} << 56) - 1;
    std::memcpy(buffer + n - 7, &word, 8);
}

// Copies of a source that holds no NUL (a line left in place: the scan
// stops at one), without library calls below 64 characters. The source has
// room past its end for reads of 16 bytes. Each byte stored comes from the
// source but the NUL at n: overlapping stores of the head and of the tail
// that ends with the NUL, with two branches at most below 16 characters.
[[gnu::always_inline]] inline std::int32_t copy_clean(char* buffer, const char* source, std::int32_t n) {
    if constexpr (std::endian::native == std::endian::little) {
        if (n >= 7 && n < 16) {
            std::memcpy(buffer, source, 8);
            copy_last_word(buffer, source, n);
            return n;
        }
        if (n < 7) {
            if (n >= 3) {
                std::uint32_t tail;
                std::memcpy(buffer, source, 4);
                std::memcpy(&tail, source + n - 3, 4);
                tail &= (std::uint32_t{1} << 24) - 1;
                std::memcpy(buffer + n - 3, &tail, 4);
                return n;
            }
            // One to three bytes, without a branch: the first, the middle
            // and the last (the NUL), some of them the same byte.
            std::uint16_t pair;
            std::memcpy(&pair, source, 2);
            const std::uint32_t kept = pair & ((std::uint32_t{1} << (8 * n)) - 1);
            buffer[0] = static_cast<char>(kept);
            buffer[(n + 1) / 2] = static_cast<char>(kept >> (8 * ((n + 1) / 2)));
            buffer[n] = '\0';
            return n;
        }
        if (n < 64) {
            for (std::int32_t at = 0; at + 8 <= n; at += 8) std::memcpy(buffer + at, source + at, 8);
            copy_last_word(buffer, source, n);
            return n;
        }
    }
    return copy_long_clean(buffer, source, n);
}

// The copy of a short source (n below 16) that may hold a NUL, without
// library calls: 16 bytes are read (the line's buffer has room past its
// end), the bytes from the first NUL or from n on are cleared, and n + 1
// bytes are stored.
[[gnu::always_inline]] inline std::int32_t copy_short(char* buffer, const char* source, std::int32_t n) {
    std::uint64_t words[2];
    std::memcpy(words, source, sizeof words);
    if (n < 8) {
        // The common short field: one word, and only its first n bytes can
        // hold the NUL that ends the copy early.
        std::uint64_t keep = (std::uint64_t{1} << (8 * n)) - 1;
        const std::uint64_t zeros = nul_flags(words[0]) & keep;
        if (zeros != 0) keep = (std::uint64_t{1} << (__builtin_ctzll(zeros) & ~7)) - 1;
        store_exact(buffer, words[0] & keep, 0, n + 1);
        return n;
    }
    const std::int32_t nul = bytes_before_nul(words);
    const std::int32_t visible = nul < n ? nul : n;
    std::uint64_t low = words[0];
    std::uint64_t high = words[1];
    if (visible < 8) {
        low &= (std::uint64_t{1} << (8 * visible)) - 1;
        high = 0;
    } else {
        high &= (std::uint64_t{1} << (8 * (visible - 8))) - 1;
    }
    store_exact(buffer, low, high, n + 1);
    return n;
}

// Long copies, and the rare ones (a NUL inside the source, a big-endian
// machine), through the C library and out of line.
[[gnu::noinline]] std::int32_t copy_by_library(char* buffer, const char* source, std::int32_t n) {
    const void* const nul = std::memchr(source, '\0', static_cast<std::size_t>(n));
    const std::int32_t visible = nul != nullptr ? static_cast<std::int32_t>(static_cast<const char*>(nul) - source) : n;
    std::memcpy(buffer, source, static_cast<std::size_t>(visible));
    std::memset(buffer + visible, '\0', static_cast<std::size_t>(n - visible) + 1);
    return n;
}

// A copy of 16 to 47 characters, a word at a time, without library calls:
// whole words up to the last, then one overlapping word that ends with the
// NUL at n (the source has room past n to read it). A NUL inside the source
// sends the copy to copy_by_library, which rewrites the same bytes.
std::int32_t copy_words(char* buffer, const char* source, std::int32_t n) {
    std::uint64_t word;
    std::int32_t at = 0;
    for (; at + 8 <= n; at += 8) {
        std::memcpy(&word, source + at, 8);
        if (nul_flags(word) != 0) return copy_by_library(buffer, source, n);
        std::memcpy(buffer + at, &word, 8);
    }
    // Bytes n - 7 to n - 1 and the NUL at n; the lowest flagged byte is the
    // first NUL, so one below the last byte is a NUL among the seven.
    std::memcpy(&word, source + n - 7, 8);
    if ((nul_flags(word) & ((std::uint64_t{1} << 56) - 1)) != 0) return copy_by_library(buffer, source, n);
    copy_last_word(buffer, source, n);
    return n;
}

// A copy of LineText, which may hold NULs (a line the kernel copied).
[[gnu::always_inline]] inline std::int32_t copy_checked(char* buffer, const char* source, std::int32_t n) {
    if constexpr (std::endian::native == std::endian::little) {
        if (n < 16) return copy_short(buffer, source, n);
        // From about 48 characters on, the C library's vector loops win.
        if (n < 48) return copy_words(buffer, source, n);
    }
    return copy_by_library(buffer, source, n);
}

// strncpy of n = min(length, maxlen) characters of the current line from
// `offset` on, followed by a NUL at n: exactly n + 1 bytes written, n
// returned even when a NUL inside the source hides the rest of it. The
// source lies in LineText or ReadBuffer, both with room past their ends for
// the 16-byte read of a short copy.
[[gnu::always_inline]] inline std::int32_t copy_out(StringSlot slot, std::int32_t maxlen, std::int32_t offset,
                                                    std::int32_t length) {
    char* const buffer = buffer_of(slot, maxlen);
    if (buffer == nullptr) return 0;
    const std::int32_t n = length < maxlen ? length : maxlen;
    const char* const source = line_text(Reader) + offset;
    if (Reader.LineInPlace) return copy_clean(buffer, source, n);
    return copy_checked(buffer, source, n);
}

[[gnu::always_inline]] inline std::int32_t get_field(std::int32_t index, StringSlot slot, std::int32_t maxlen) {
    // One unsigned test for index < 1 and index > FieldCount.
    const std::uint32_t field = static_cast<std::uint32_t>(index) - 1;
    if (field >= static_cast<std::uint32_t>(Reader.FieldCount)) return 0;
    const std::int32_t start = Reader.FieldStart[field];
    return copy_out(slot, maxlen, start, Reader.FieldStart[field + 1] - 1 - start);
}

[[gnu::noinline]] std::int32_t index_then_get_field(std::int32_t index, StringSlot slot, std::int32_t maxlen) {
    active_field_indexer(Reader);
    return get_field(index, slot, maxlen);
}

}  // namespace
}  // namespace lintrow

using lintrow::Reader;

extern "C" {

LINTROW_API int LINTROW_CALL GetLine(StringSlot slot, int maxlen) {
    // The scanner itself, not the exported NextLine and its PLT hop.
    const std::int32_t length = lintrow::active_line_scanner();
    if (length == 0) return 0;
    return lintrow::copy_out(slot, maxlen, 0, length);
}

LINTROW_API int LINTROW_CALL CurrentRecord(StringSlot slot, int maxlen) {
    return lintrow::copy_out(slot, maxlen, 0, Reader.LineLength);
}

LINTROW_API int LINTROW_CALL GetField(int index, StringSlot slot, int maxlen) {
    // The first GetField of a line left in place indexes its fields, out of
    // line, so that every other call saves no registers.
    if (Reader.FieldsPending) [[unlikely]] return lintrow::index_then_get_field(index, slot, maxlen);
    return lintrow::get_field(index, slot, maxlen);
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
