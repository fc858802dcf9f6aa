#include "scripted_files.h"

#include <algorithm>
#include <cstring>

namespace lintrow::model {

std::int32_t ScriptedFiles::open(const char* path) {
    const auto found = files.find(path);
    if (found == files.end()) return -1;
    const std::int32_t handle = next_handle_++;
    open_[handle] = OpenFile{&found->second, 0};
    return handle;
}

std::int32_t ScriptedFiles::read(std::int32_t handle, unsigned char* into, std::int32_t size) {
    ++read_calls_;
    const auto file = open_.find(handle);
    if (file == open_.end()) {
        misuse = true;
        return -1;
    }
    if (failing_reads.count(read_calls_) != 0) return -1;
    const std::string& content = *file->second.content;
    std::size_t count = std::min(static_cast<std::size_t>(size), content.size() - file->second.offset);
    if (chunk != 0) count = std::min(count, chunk);
    std::memcpy(into, content.data() + file->second.offset, count);
    file->second.offset += count;
    return static_cast<std::int32_t>(count);
}

std::int32_t ScriptedFiles::close(std::int32_t handle) {
    if (open_.erase(handle) == 0) {
        misuse = true;
        return -1;
    }
    return 0;
}

}  // namespace lintrow::model
