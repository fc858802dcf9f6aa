// The line scanner. NextLine runs one of several line scanners that differ
// only in how many bytes their kernel examines at once: a portable one, a
// byte at a time, on x86 SSE2 and AVX2 ones and on ARM64 a NEON one, 64
// bytes at a time. The fastest the CPU runs is chosen at the first scan;
// tests can force any.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

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

// A kernel takes bytes from ReadBuffer[pos, limit) into the line until a line
// feed, a full line or limit, and records where each field starts. The
// portable kernel is always built; the vector ones finish a nearly full line
// with it.
KernelResult scan_scalar(ReaderState& reader, std::int32_t pos, std::int32_t limit, LineCursor& line);

// NextLine with each kernel, and the count and index of the fields of a line
// it left in place, each compiled for the same instruction set.
using LineScanner = std::int32_t (*)();
std::int32_t next_line_scalar();
std::int32_t next_line_sse2();  // x86 only
std::int32_t next_line_avx2();  // x86 only
std::int32_t next_line_neon();  // ARM64 only
// The SSE2 path counts and indexes with the portable functions: both are
// baseline code, only AVX2 CPUs bring POPCNT and BMI1.
std::int32_t count_fields_scalar(ReaderState& reader);
std::int32_t count_fields_avx2(ReaderState& reader);
void index_fields_scalar(ReaderState& reader);
void index_fields_avx2(ReaderState& reader);
std::int32_t count_fields_neon(ReaderState& reader);
void index_fields_neon(ReaderState& reader);

enum class ScanPath : std::uint8_t { Best, Scalar, Sse2, Avx2, Neon };

// Every scan path and its name: the one list that the tests, the fuzzer and
// the benchmark walk (use_scan_path tells which of them this CPU runs).
struct NamedScanPath {
    ScanPath path;
    const char* name;
};
inline constexpr NamedScanPath kScanPaths[] = {
    {ScanPath::Scalar, "scalar"}, {ScanPath::Sse2, "sse2"}, {ScanPath::Avx2, "avx2"}, {ScanPath::Neon, "neon"}};

// The name of a path; "best" for Best.
constexpr const char* scan_path_name(ScanPath path) {
    for (const NamedScanPath& named : kScanPaths) {
        if (named.path == path) return named.name;
    }
    return "best";
}

// The path of a name, Best for "best"; nothing for a name no path has, so
// that a mistyped name is refused rather than run as another path.
inline std::optional<ScanPath> scan_path_named(const char* name) {
    if (std::string_view(name) == "best") return ScanPath::Best;
    for (const NamedScanPath& named : kScanPaths) {
        if (std::string_view(name) == named.name) return named.path;
    }
    return std::nullopt;
}

// Chooses the scanner NextLine uses, with its field count and index
// (active_field_counter, active_field_indexer); Best picks the fastest the
// CPU runs.
// Returns false, and changes nothing, when the CPU cannot run the path.
bool use_scan_path(ScanPath path);

// The path in use (choosing it first if no scan has yet).
ScanPath scan_path();

// The scanner NextLine calls. It starts as a chooser that picks the best
// path and then runs it.
extern LineScanner active_line_scanner;

// The path use_scan_path last chose; Best before any choice.
extern ScanPath chosen_scan_path;

}  // namespace lintrow
