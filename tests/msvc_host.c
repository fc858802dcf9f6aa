/* A host linked by lld-link against the MSVC-format import library Lintrow.lib,
 * with no C runtime: it declares the functions __stdcall through Lintrow.h,
 * so the linker must map _GetLine@8 and friends to the undecorated exports.
 * Exits 0 when every call on a missing file answers as documented. */
#include "Lintrow.h"

__declspec(dllimport) void __stdcall ExitProcess(unsigned int code);

void __stdcall host_start(void) {
    char text[8];
    char *buffer = text;
    unsigned int failures = 0;
    failures |= (PrepareFile("no such file") != HFILE_ERROR) << 0;
    SetDelim(",");
    failures |= (NextLine() != 0) << 1;
    failures |= (Fields() != 1) << 2;
    failures |= (Pos() != 0) << 3;
    failures |= (CurrentRecord(&buffer, 7) != 0) << 4;
    failures |= (GetLine(&buffer, 7) != 0) << 5;
    failures |= (GetField(1, &buffer, 7) != 0) << 6;
    failures |= (SkipToLine("a", "b", &buffer, 7) != 0) << 7;
    failures |= (CloseFile() != HFILE_ERROR) << 8;
    ExitProcess(failures);
}
