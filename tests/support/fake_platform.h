// A platform table over an in-memory file whose calls can be made to fail,
// to return short, and are counted.
#pragma once

#include <set>
#include <string>

#include "platform/platform.h"

namespace lintrow::test {

struct FakeFile {
    std::string content;
    std::size_t offset = 0;
    bool open_fails = false;
    platform::Handle handle = 7;
    std::set<int> failing_reads;  // read calls (counted from 1) that fail
    std::size_t chunk = 0;        // most bytes one read returns; 0 for no limit
    int close_result = 0;
    bool claims_more = false;     // reads report more bytes than were asked for
    platform::SourceKind kind = platform::SourceKind::RegularFile;

    int open_calls = 0;
    int read_calls = 0;
    int close_calls = 0;
    platform::Handle last_read_handle = 0;
};

// Puts the fake in place of the system's calls and the reader back into its
// zero state; both are undone at the end of the scope.
class FakePlatform {
public:
    FakePlatform();
    ~FakePlatform();
    FakePlatform(const FakePlatform&) = delete;
    FakePlatform& operator=(const FakePlatform&) = delete;
    FakeFile& file();
};

}  // namespace lintrow::test
