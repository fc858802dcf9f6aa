// Test files and caller buffers.
#pragma once

#include <array>
#include <cstddef>
#include <cstring>
#include <string>

#include "Lintrow.h"

namespace lintrow::test {

// A file in the temporary directory with the given bytes, removed when the
// object goes.
class TempFile {
public:
    explicit TempFile(const std::string& bytes);
    ~TempFile();
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;
    const char* path() const { return path_.c_str(); }

private:
    std::string path_;
};

// A path that names no file.
std::string missing_path();

// A host buffer followed by guard bytes: every byte starts as kUntouched, so
// a test sees exactly which bytes a call wrote.
class HostBuffer {
public:
    static constexpr unsigned char kUntouched = 0xA5;
    static constexpr std::size_t kSize = 1100 + 64;

    HostBuffer() { reset(); }
    void reset() {
        std::memset(bytes_.data(), kUntouched, kSize);
        pointer_ = bytes_.data();
    }
    // The slot to hand to the library.
    StringSlot slot() { return &pointer_; }
    char* data() { return bytes_.data(); }
    // The NUL-terminated text at the start.
    std::string text() const { return std::string(bytes_.data()); }
    // The first `count` bytes as they are.
    std::string raw(std::size_t count) const { return std::string(bytes_.data(), count); }
    // How many bytes from the start were written: the index after the last
    // byte that is not kUntouched.
    std::size_t written() const {
        std::size_t end = kSize;
        while (end > 0 && static_cast<unsigned char>(bytes_[end - 1]) == kUntouched) --end;
        return end;
    }

private:
    std::array<char, kSize> bytes_{};
    char* pointer_ = nullptr;
};

}  // namespace lintrow::test
