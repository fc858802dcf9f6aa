// In-memory files behind handles, with reads that can be cut short or made
// to fail by call number; they may stand for regular files or live sources. The fuzzer gives one instance to the library (as
// its platform) and an identical one to the reference model.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>

namespace lintrow::model {

class ScriptedFiles {
public:
    std::map<std::string, std::string> files;  // path -> content
    std::size_t chunk = 0;                     // most bytes one read returns; 0 for no limit
    std::set<int> failing_reads;               // read calls (counted from 1) that fail
    bool live = false;                         // every file is a live source, as a pipe is
    bool misuse = false;                       // a closed or unknown handle was used

    std::int32_t open(const char* path);
    std::int32_t read(std::int32_t handle, unsigned char* into, std::int32_t size);
    std::int32_t close(std::int32_t handle);
    int read_calls() const { return read_calls_; }

private:
    struct OpenFile {
        const std::string* content;  // in `files`, which outlives every handle
        std::size_t offset = 0;
    };
    std::map<std::int32_t, OpenFile> open_;
    std::int32_t next_handle_ = 3;
    int read_calls_ = 0;
};

}  // namespace lintrow::model
