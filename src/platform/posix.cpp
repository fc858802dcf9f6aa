// The file calls over POSIX open/read/close.
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform.h"

namespace lintrow::platform {
namespace {

Handle open_for_reading(const char* path, OpenInfo& /*info*/, SourceKind& kind) {
    int fd;
    do {
        fd = ::open(path, O_RDONLY | O_CLOEXEC | O_NOCTTY);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) return kFailed;
    // A directory opens on POSIX but not on Windows; refuse it here too.
    struct stat info {};
    if (::fstat(fd, &info) != 0 || S_ISDIR(info.st_mode)) {
        ::close(fd);
        return kFailed;
    }
    kind = S_ISREG(info.st_mode) ? SourceKind::RegularFile : SourceKind::Live;
    return fd;
}

std::int32_t read(Handle handle, unsigned char* into, std::int32_t size) {
    for (;;) {
        const ssize_t got = ::read(handle, into, static_cast<size_t>(size));
        if (got >= 0) return static_cast<std::int32_t>(got);
        if (errno != EINTR) return kFailed;
    }
}

std::int32_t close(Handle handle) { return ::close(handle) == 0 ? 0 : kFailed; }

}  // namespace

constinit const Calls kSystemCalls = {open_for_reading, read, close};

}  // namespace lintrow::platform
