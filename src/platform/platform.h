// The only door from the reader to the operating system: open a file for
// reading, read from it, close it. Each operating system supplies one table
// of these calls; tests swap in a table of their own to inject faults.
#pragma once

#include <cstdint>

namespace lintrow::platform {

// A file handle as the host sees it: a signed 32-bit value, -1 for failure.
using Handle = std::int32_t;
inline constexpr Handle kFailed = -1;

// Storage the system's open call may fill with information about the file
// (on Windows an OFSTRUCT, 136 bytes). Nothing else reads it.
struct alignas(4) OpenInfo {
    unsigned char bytes[136];
};

// What a handle reads from. A regular file hands each read all it asks for
// until the end; a live source (pipe, FIFO, character device, socket) hands
// over what has arrived, so only a read of 0 bytes says it has ended.
enum class SourceKind : std::uint8_t { RegularFile, Live };

struct Calls {
    // Opens an existing file (never a directory) for reading and tells what
    // kind of source it is; kFailed if it cannot.
    Handle (*open_for_reading)(const char* path, OpenInfo& info, SourceKind& kind);
    // Reads up to size bytes. Returns the count read (0 at the end of the
    // file) or kFailed. May return fewer than asked before the end, as a pipe
    // does; an interrupted call is retried inside.
    std::int32_t (*read)(Handle handle, unsigned char* into, std::int32_t size);
    // Returns 0, or kFailed.
    std::int32_t (*close)(Handle handle);
};

// The table of the operating system the library was built for.
extern const Calls kSystemCalls;

// The table the reader calls through; tests point it at a fake.
inline constinit const Calls* active_calls = &kSystemCalls;

}  // namespace lintrow::platform
