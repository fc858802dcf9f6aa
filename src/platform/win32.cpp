// The file calls over the Windows kernel's OpenFile, _lread and _lclose.
#include <windows.h>

#include "platform.h"

namespace lintrow::platform {
namespace {

static_assert(sizeof(OFSTRUCT) <= sizeof(OpenInfo), "OpenInfo must hold an OFSTRUCT");

Handle open_for_reading(const char* path, OpenInfo& info, SourceKind& kind) {
    // OpenFile refuses directories, as the reader requires.
    const HFILE handle = OpenFile(path, reinterpret_cast<OFSTRUCT*>(info.bytes), OF_READ);
    // A named pipe or a device opens too; only a disk file is read as a file.
    // An HFILE is the kernel handle's value, as _lread itself takes it.
    if (handle != HFILE_ERROR) {
        const DWORD type = GetFileType(reinterpret_cast<HANDLE>(static_cast<INT_PTR>(handle)));
        kind = type == FILE_TYPE_DISK ? SourceKind::RegularFile : SourceKind::Live;
    }
    return handle;
}

std::int32_t read(Handle handle, unsigned char* into, std::int32_t size) {
    const UINT got = _lread(handle, into, static_cast<UINT>(size));
    return got == static_cast<UINT>(HFILE_ERROR) ? kFailed : static_cast<std::int32_t>(got);
}

std::int32_t close(Handle handle) { return _lclose(handle) == HFILE_ERROR ? kFailed : 0; }

}  // namespace

constinit const Calls kSystemCalls = {open_for_reading, read, close};

}  // namespace lintrow::platform
