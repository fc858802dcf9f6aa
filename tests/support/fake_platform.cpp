#include "fake_platform.h"

#include <algorithm>
#include <cstring>

#include "reader/reader_state.h"

namespace lintrow::test {
namespace {

FakeFile fake;

platform::Handle fake_open(const char*, platform::OpenInfo&, platform::SourceKind& kind) {
    ++fake.open_calls;
    if (fake.open_fails) return platform::kFailed;
    kind = fake.kind;
    fake.offset = 0;
    return fake.handle;
}

std::int32_t fake_read(platform::Handle handle, unsigned char* into, std::int32_t size) {
    ++fake.read_calls;
    fake.last_read_handle = handle;
    if (fake.failing_reads.count(fake.read_calls) != 0) return platform::kFailed;
    std::size_t count = std::min(static_cast<std::size_t>(size), fake.content.size() - fake.offset);
    if (fake.chunk != 0) count = std::min(count, fake.chunk);
    std::memcpy(into, fake.content.data() + fake.offset, count);
    fake.offset += count;
    if (fake.claims_more && count > 0) return size + 100;
    return static_cast<std::int32_t>(count);
}

std::int32_t fake_close(platform::Handle) {
    ++fake.close_calls;
    return fake.close_result;
}

constexpr platform::Calls kFakeCalls = {fake_open, fake_read, fake_close};

}  // namespace

FakePlatform::FakePlatform() {
    fake = FakeFile{};
    Reader = ReaderState{};
    platform::active_calls = &kFakeCalls;
}

FakePlatform::~FakePlatform() {
    platform::active_calls = &platform::kSystemCalls;
    Reader = ReaderState{};
}

FakeFile& FakePlatform::file() { return fake; }

}  // namespace lintrow::test
