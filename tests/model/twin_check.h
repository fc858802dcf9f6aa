// What a host sees after one call, the library's beside the reference
// model's: the call's result, Fields(), Pos() and every byte of the host's
// buffer, guard bytes on both sides included. The differential fuzzer and
// the position sweep both compare through it.
#pragma once

#include <cstddef>
#include <cstring>
#include <string>

#include "Lintrow.h"
#include "reference_reader.h"

namespace lintrow::model {

// The host's buffer for a copy: room for the longest one, guard bytes before
// and after it.
struct GuardedBuffer {
    static constexpr std::size_t kGuard = 32;
    char bytes[kGuard + MAX_LINE_LENGTH + 1 + kGuard];
    char* pointer;
    // Fills the buffer with the guard pattern; returns the slot to copy through.
    char** reset() {
        std::memset(bytes, 0xA5, sizeof bytes);
        pointer = bytes + kGuard;
        return &pointer;
    }
};

// The first thing that differs after a call between the library linked in
// and the model, in words; empty when nothing does.
inline std::string difference(long library_result, long model_result, const ReferenceReader& model,
                              const GuardedBuffer& library_buffer, const GuardedBuffer& model_buffer) {
    const auto both = [](const char* what, long library, long model_value) {
        return std::string(what) + ": library " + std::to_string(library) + ", model " + std::to_string(model_value);
    };
    if (library_result != model_result) return both("result", library_result, model_result);
    if (Fields() != model.Fields()) return both("Fields()", Fields(), model.Fields());
    if (Pos() != model.Pos()) return both("Pos()", Pos(), model.Pos());
    if (std::memcmp(library_buffer.bytes, model_buffer.bytes, sizeof library_buffer.bytes) != 0) {
        std::size_t at = 0;
        while (library_buffer.bytes[at] == model_buffer.bytes[at]) ++at;
        const long offset = static_cast<long>(at) - static_cast<long>(GuardedBuffer::kGuard);
        return both(("buffer byte " + std::to_string(offset)).c_str(), static_cast<unsigned char>(library_buffer.bytes[at]),
                    static_cast<unsigned char>(model_buffer.bytes[at]));
    }
    return {};
}

}  // namespace lintrow::model
