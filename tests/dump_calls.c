/* Runs the same calls of all ten functions over a list of files and writes
 * what a host sees: every result, Fields() and Pos() after each call, and a
 * checksum of the host's whole buffer (guard bytes on both sides included)
 * after each copy. The test command runs it against the Linux library, which
 * the other suites check against the reference model, and against a
 * Windows DLL that no other suite can reach (ARM64, under Wine), and
 * compares the two outputs byte for byte.
 *
 *     dump_calls LIST_FILE OUT_FILE [DLL]
 *
 * LIST_FILE names one file a line. The Windows build has no C runtime: it
 * binds the DLL with LoadLibraryA and GetProcAddress, by name and checks the
 * same address by ordinal 1 to 10, and writes with WriteFile. */
#include "Lintrow.h"

typedef int(LINTROW_CALL *CloseFileFn)(void);
typedef int(LINTROW_CALL *CopyFn)(StringSlot, int);
typedef int(LINTROW_CALL *CountFn)(void);
typedef int(LINTROW_CALL *GetFieldFn)(int, StringSlot, int);
typedef int(LINTROW_CALL *PrepareFileFn)(const char *);
typedef void(LINTROW_CALL *SetDelimFn)(const char *);
typedef int(LINTROW_CALL *SkipToLineFn)(const char *, const char *, StringSlot, int);

static struct {
    CloseFileFn CloseFile;
    CopyFn CurrentRecord;
    CountFn Fields;
    GetFieldFn GetField;
    CopyFn GetLine;
    CountFn NextLine;
    CountFn Pos;
    PrepareFileFn PrepareFile;
    SetDelimFn SetDelim;
    SkipToLineFn SkipToLine;
} api;

/* The platform: write bytes to the output, bind the library, end the run. */
static void write_out(const char *bytes, int count);
static int bind_library(const char *dll);

static char out_buffer[1 << 16];
static int out_used;

static void flush_out(void) {
    write_out(out_buffer, out_used);
    out_used = 0;
}

static void put(const char *text) {
    while (*text != '\0') {
        if (out_used == (int)sizeof out_buffer) flush_out();
        out_buffer[out_used++] = *text++;
    }
}

static void put_int(long long value) {
    char digits[24];
    int at = 23;
    unsigned long long magnitude = value < 0 ? 0ull - (unsigned long long)value : (unsigned long long)value;
    digits[at] = '\0';
    do {
        digits[--at] = (char)('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    if (value < 0) digits[--at] = '-';
    put(digits + at);
}

/* The host's buffer: room for the longest copy, guard bytes on both sides. */
#define GUARD 16
static char host_buffer[GUARD + MAX_LINE_LENGTH + 1 + GUARD];
static char *host_pointer;

static StringSlot fresh_slot(void) {
    int i;
    for (i = 0; i < (int)sizeof host_buffer; ++i) host_buffer[i] = (char)0xA5;
    host_pointer = host_buffer + GUARD;
    return &host_pointer;
}

/* FNV-1a over the whole buffer, guards included. */
static unsigned long buffer_sum(void) {
    unsigned long sum = 2166136261ul;
    int i;
    for (i = 0; i < (int)sizeof host_buffer; ++i) sum = ((sum ^ (unsigned char)host_buffer[i]) * 16777619ul) & 0xFFFFFFFFul;
    return sum;
}

/* One call's line: its name, result, Fields(), Pos() and the buffer's sum. */
static void report(const char *call, int result) {
    put(call);
    put(" ");
    put_int(result);
    put(" fields ");
    put_int(api.Fields());
    put(" pos ");
    put_int(api.Pos());
    put(" buffer ");
    put_int((long long)buffer_sum());
    put("\n");
}

static const int maxlens[] = {MAX_LINE_LENGTH, 100, 7, 0};

/* Reads a file to its end with every copy, then once more with SkipToLine. */
static void dump_file(const char *path) {
    int line = 0;
    put("file\n");
    report("PrepareFile", api.PrepareFile(path) == HFILE_ERROR ? -1 : 1);
    api.SetDelim(",");
    for (;; ++line) {
        const int before = api.Pos();
        const int maxlen = maxlens[line % 4];
        const int length = api.GetLine(fresh_slot(), maxlen);
        int index;
        report("GetLine", length);
        if (length == 0 && api.Pos() == before) break;
        for (index = 0; index <= api.Fields() + 1; ++index) report("GetField", api.GetField(index, fresh_slot(), MAX_LINE_LENGTH));
        report("CurrentRecord", api.CurrentRecord(fresh_slot(), maxlen + 3));
        if (line % 5 == 0) report("NextLine", api.NextLine());
    }
    report("CloseFile", api.CloseFile());
    report("PrepareFile", api.PrepareFile(path) == HFILE_ERROR ? -1 : 1);
    api.SetDelim("\t");
    report("SkipToLine", api.SkipToLine("A10150", "B20011", fresh_slot(), 60));
    report("SkipToLine", api.SkipToLine("", "", fresh_slot(), MAX_LINE_LENGTH));
    report("SkipToLine", api.SkipToLine("no such", "prefix", fresh_slot(), 10));
    report("CloseFile", api.CloseFile());
    report("CloseFile", api.CloseFile());
}

/* The list: one path a line, read before any file of it is opened. */
static char list_text[1 << 16];
static char *paths[512];

static int run(const char *list, const char *dll) {
    int count = 0;
    int i;
    int length;
    if (!bind_library(dll)) return 3;
    put("bound\n");
    if (api.PrepareFile(list) == HFILE_ERROR) return 4;
    {
        int used = 0;
        while (count < 512 && used + MAX_LINE_LENGTH + 1 < (int)sizeof list_text) {
            char *at = list_text + used;
            const int before = api.Pos();
            length = api.GetLine(&at, MAX_LINE_LENGTH);
            if (length == 0) {
                if (api.Pos() == before) break;
                continue;
            }
            paths[count++] = list_text + used;
            used += length + 1;
        }
    }
    api.CloseFile();
    report("missing", api.PrepareFile("no such file"));
    report("CloseFile", api.CloseFile());
    for (i = 0; i < count; ++i) dump_file(paths[i]);
    put("end\n");
    flush_out();
    return 0;
}

#ifdef _WIN32
#include <windows.h>

static HANDLE output = INVALID_HANDLE_VALUE;

static void write_out(const char *bytes, int count) {
    DWORD written = 0;
    if (count > 0) WriteFile(output, bytes, (DWORD)count, &written, NULL);
}

static int bind_library(const char *dll) {
    static const char *const names[10] = {"CloseFile", "CurrentRecord", "Fields",      "GetField", "GetLine",
                                          "NextLine",  "Pos",           "PrepareFile", "SetDelim", "SkipToLine"};
    FARPROC functions[10];
    HMODULE module = LoadLibraryA(dll);
    int i;
    if (module == NULL) return 0;
    for (i = 0; i < 10; ++i) {
        functions[i] = GetProcAddress(module, names[i]);
        /* Ordinals are the names' places in alphabetical order, from 1. */
        if (functions[i] == NULL || GetProcAddress(module, MAKEINTRESOURCEA(i + 1)) != functions[i]) return 0;
    }
    api.CloseFile = (CloseFileFn)(void *)functions[0];
    api.CurrentRecord = (CopyFn)(void *)functions[1];
    api.Fields = (CountFn)(void *)functions[2];
    api.GetField = (GetFieldFn)(void *)functions[3];
    api.GetLine = (CopyFn)(void *)functions[4];
    api.NextLine = (CountFn)(void *)functions[5];
    api.Pos = (CountFn)(void *)functions[6];
    api.PrepareFile = (PrepareFileFn)(void *)functions[7];
    api.SetDelim = (SetDelimFn)(void *)functions[8];
    api.SkipToLine = (SkipToLineFn)(void *)functions[9];
    return 1;
}

/* The command line's arguments, split at spaces (no quoting: the test's
 * paths have none). */
static char command_line[4096];

void host_start(void) {
    char *argv[4] = {0, 0, 0, 0};
    int argc = 0;
    const char *from = GetCommandLineA();
    char *to = command_line;
    int status;
    while (*from != '\0' && to < command_line + sizeof command_line - 1) *to++ = *from++;
    *to = '\0';
    for (to = command_line; *to != '\0' && argc < 4;) {
        while (*to == ' ') *to++ = '\0';
        if (*to == '\0') break;
        argv[argc++] = to;
        while (*to != '\0' && *to != ' ') ++to;
    }
    if (argc < 3) ExitProcess(2);
    output = CreateFileA(argv[2], GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (output == INVALID_HANDLE_VALUE) ExitProcess(5);
    status = run(argv[1], argc > 3 ? argv[3] : "Lintrow.dll");
    CloseHandle(output);
    ExitProcess((UINT)status);
}
#else
#include <stdio.h>

static FILE *output;

static void write_out(const char *bytes, int count) { fwrite(bytes, 1, (size_t)count, output); }

static int bind_library(const char *dll) {
    (void)dll;
    api.CloseFile = CloseFile;
    api.CurrentRecord = CurrentRecord;
    api.Fields = Fields;
    api.GetField = GetField;
    api.GetLine = GetLine;
    api.NextLine = NextLine;
    api.Pos = Pos;
    api.PrepareFile = PrepareFile;
    api.SetDelim = SetDelim;
    api.SkipToLine = SkipToLine;
    return 1;
}

int main(int argc, char **argv) {
    int status;
    if (argc < 3 || (output = fopen(argv[2], "wb")) == NULL) return 2;
    status = run(argv[1], argc > 3 ? argv[3] : "");
    fclose(output);
    return status;
}
#endif
