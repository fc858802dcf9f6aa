// The line scanner's kernels. Each takes bytes from ReadBuffer into the
// current line until a line feed, a full line or the end of the valid bytes;
// they differ only in how many bytes they examine at once.
#pragma once

#include <cstdint>

#include "reader_state.h"

namespace lintrow {

// The line being built: characters stored so far and the field being built.
struct LineCursor {
    std::int32_t length;
    std::int32_t field;
};

struct KernelResult {
    std::int32_t next;  // index in ReadBuffer after the last byte consumed
    bool line_ended;    // a line feed was consumed or the line is full
};

using ScanKernel = KernelResult (*)(ReaderState& reader, std::int32_t pos, std::int32_t limit,
                                    LineCursor& line);

// The portable kernel, a byte at a time; always built.
KernelResult scan_scalar(ReaderState& reader, std::int32_t pos, std::int32_t limit, LineCursor& line);
// The x86 vector kernels, built and chosen only on x86.
KernelResult scan_sse2(ReaderState& reader, std::int32_t pos, std::int32_t limit, LineCursor& line);
KernelResult scan_avx2(ReaderState& reader, std::int32_t pos, std::int32_t limit, LineCursor& line);

enum class ScanPath : std::uint8_t { Best, Scalar, Sse2, Avx2 };

// Chooses the kernel NextLine uses; Best picks the fastest the CPU runs.
// Returns false, and changes nothing, when the CPU cannot run the path.
bool use_scan_path(ScanPath path);

// The path in use, and its kernel; the first call picks the best.
ScanPath scan_path();
ScanKernel active_kernel();

}  // namespace lintrow
