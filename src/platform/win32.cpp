// The file calls over the Windows kernel's OpenFile, _lread and _lclose; a
// path too long for OpenFile is opened with CreateFile.
#include <windows.h>

#include "platform.h"

namespace lintrow::platform {
namespace {

static_assert(sizeof(OFSTRUCT) <= sizeof(OpenInfo), "OpenInfo must hold an OFSTRUCT");

// OpenFile keeps the full path in OFSTRUCT::szPathName and refuses a path
// whose full form does not fit there (OFS_MAXPATHNAME bytes with the NUL).
constexpr DWORD kOpenFileLongest = OFS_MAXPATHNAME - 1;

// The longest full path opened with the \\?\ prefix, in characters. Past
// MAX_PATH the ANSI calls fail, so the path goes through the wide ones in
// these buffers: the library allocates nothing.
constexpr DWORD kLongPathChars = 4096;
constexpr wchar_t kLongPathPrefix[] = L"\\\\?\\";
constexpr wchar_t kUncPrefix[] = L"\\\\?\\UNC\\";
WCHAR wide_path[kLongPathChars];
WCHAR long_path[kLongPathChars + 8];

// Opens a path of MAX_PATH characters or more (its full form): converted
// from the host's ANSI code page, made absolute and given the \\?\ prefix
// (\\?\UNC\ for \\server\share). A path longer than the buffers fails.
HANDLE create_file_long(const char* ansi_path) {
    if (MultiByteToWideChar(CP_ACP, 0, ansi_path, -1, wide_path, kLongPathChars) == 0) return INVALID_HANDLE_VALUE;
    const DWORD prefix = sizeof kLongPathPrefix / sizeof(wchar_t) - 1;
    const DWORD unc = sizeof kUncPrefix / sizeof(wchar_t) - 1;
    // Room for the longer prefix; the full path then moves down if short.
    WCHAR* const full = long_path + unc;
    const DWORD length = GetFullPathNameW(wide_path, kLongPathChars, full, nullptr);
    if (length == 0 || length >= kLongPathChars) return INVALID_HANDLE_VALUE;
    WCHAR* start;
    if (full[0] == L'\\' && full[1] == L'\\') {
        if (full[2] == L'?' || full[2] == L'.') {
            start = full;  // already a device or \\?\ path
        } else {
            // \\server\share\... becomes \\?\UNC\server\share\...
            start = full + 2 - unc;
            for (DWORD i = 0; i < unc; ++i) start[i] = kUncPrefix[i];
        }
    } else {
        start = full - prefix;
        for (DWORD i = 0; i < prefix; ++i) start[i] = kLongPathPrefix[i];
    }
    return CreateFileW(start, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

// The path OpenFile refused for its length, opened by CreateFile; a path
// that fits OpenFile is left refused (missing, a directory, shared away).
// CreateFile opens no directory without FILE_FLAG_BACKUP_SEMANTICS.
HFILE open_too_long_for_open_file(const char* path) {
    // The full path's length in the ANSI code page, with its NUL, as OpenFile
    // counts it; 0 when even the ANSI call finds it too long.
    const DWORD needed = GetFullPathNameA(path, 0, nullptr, nullptr);
    if (needed != 0 && needed - 1 <= kOpenFileLongest) return HFILE_ERROR;
    const HANDLE file =
        needed != 0 && needed - 1 < MAX_PATH
            ? CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                          FILE_ATTRIBUTE_NORMAL, nullptr)
            : create_file_long(path);
    if (file == INVALID_HANDLE_VALUE) return HFILE_ERROR;
    // An HFILE is the kernel handle's value, as OpenFile returns it.
    return static_cast<HFILE>(reinterpret_cast<INT_PTR>(file));
}

Handle open_for_reading(const char* path, OpenInfo& info, SourceKind& kind) {
    // OpenFile searches the usual directories for a bare name and refuses
    // directories, as the reader requires.
    HFILE handle = OpenFile(path, reinterpret_cast<OFSTRUCT*>(info.bytes), OF_READ);
    if (handle == HFILE_ERROR) handle = open_too_long_for_open_file(path);
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
