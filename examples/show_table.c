/* Prints a delimited file as an aligned table, all fields or a chosen few.
 *
 *     show_table [-d CHAR] [-f LIST] [-n LINES] [-w WIDTH] [--skip-to PREFIX]
 *                [--library PATH] [FILE]
 *
 * The host loads the library at run time and binds its functions by name, as
 * most hosts of a DLL do: dlopen/dlsym on Linux, LoadLibrary/GetProcAddress
 * on Windows. The file is read twice, once to measure the columns and once to
 * print them, so the host keeps no more than one line in memory.
 *
 * FILE defaults to the bundled sample; the library to libLintrow.so (Linux) or
 * Lintrow.dll (Windows), or to $LINTROW_LIBRARY when set. */
#include <limits.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#ifdef _WIN32
#  include <windows.h>
#else
#  include <dlfcn.h>
#endif

#include "Lintrow.h"

#ifndef LINTROW_SAMPLE
#  define LINTROW_SAMPLE "orders.csv"
#endif
#ifdef _WIN32
#  define LINTROW_LIBRARY_NAME "Lintrow.dll"
#else
#  define LINTROW_LIBRARY_NAME "libLintrow.so"
#endif

/* The library's functions, bound by name. */
typedef struct {
    int(LINTROW_CALL *PrepareFile)(const char *path);
    void(LINTROW_CALL *SetDelim)(const char *delimiter);
    int(LINTROW_CALL *CloseFile)(void);
    int(LINTROW_CALL *Fields)(void);
    int(LINTROW_CALL *Pos)(void);
    int(LINTROW_CALL *NextLine)(void);
    int(LINTROW_CALL *GetField)(int index, StringSlot slot, int maxlen);
    int(LINTROW_CALL *SkipToLine)(const char *prefix1, const char *prefix2, StringSlot slot, int maxlen);
} Api;

typedef void (*AnyFunction)(void);

static int load_library(const char *path, Api *api) {
    struct {
        const char *name;
        void *into;
    } const bindings[] = {
        {"PrepareFile", &api->PrepareFile}, {"SetDelim", &api->SetDelim}, {"CloseFile", &api->CloseFile},
        {"Fields", &api->Fields},           {"Pos", &api->Pos},           {"NextLine", &api->NextLine},
        {"GetField", &api->GetField},       {"SkipToLine", &api->SkipToLine},
    };
    size_t i;
#ifdef _WIN32
    HMODULE library = LoadLibraryA(path);
    if (library == NULL) {
        fprintf(stderr, "show_table: cannot load %s (error %lu)\n", path, (unsigned long)GetLastError());
        return 0;
    }
#else
    void *library = dlopen(path, RTLD_NOW | RTLD_LOCAL);
    if (library == NULL) {
        fprintf(stderr, "show_table: cannot load %s: %s\n", path, dlerror());
        return 0;
    }
#endif
    for (i = 0; i < sizeof bindings / sizeof bindings[0]; ++i) {
        /* Object and function pointers are converted through their bytes,
           which both systems guarantee and ISO C leaves open. */
#ifdef _WIN32
        FARPROC address = GetProcAddress(library, bindings[i].name);
#else
        void *address = dlsym(library, bindings[i].name);
#endif
        AnyFunction function;
        if (address == NULL) {
            fprintf(stderr, "show_table: %s does not export %s\n", path, bindings[i].name);
            return 0;
        }
        memcpy(&function, &address, sizeof function);
        memcpy(bindings[i].into, &function, sizeof function);
    }
    return 1;
}

typedef struct {
    const char *file;
    const char *library;
    char delimiter[2];
    const char *skip_to;
    long line_limit; /* negative: no limit */
    int cell_width;  /* 0: no cut */
    int columns[MAX_FIELDS];
    int column_count; /* 0: every field of each line */
} Options;

static void usage(void) {
    fputs("usage: show_table [-d CHAR] [-f LIST] [-n LINES] [-w WIDTH] [--skip-to PREFIX]\n"
          "                  [--library PATH] [FILE]\n"
          "  -d CHAR           field delimiter (default ,)\n"
          "  -f LIST           fields to show, in order: 1,3,5-7 (default: all)\n"
          "  -n LINES          show at most LINES lines\n"
          "  -w WIDTH          cut cells to WIDTH characters (default 24, 0: never)\n"
          "  --skip-to PREFIX  start at the first line that begins with PREFIX\n"
          "  --library PATH    the Lintrow library to load\n"
          "FILE defaults to the bundled sample " LINTROW_SAMPLE "\n",
          stderr);
}

static int parse_number(const char *text, long lowest, long *value) {
    char *end;
    long parsed = strtol(text, &end, 10);
    if (*text == '\0' || *end != '\0' || parsed < lowest || parsed > INT_MAX) return 0;
    *value = parsed;
    return 1;
}

/* "1,3,5-7": field numbers from 1, ranges ascending. */
static int parse_field_list(const char *text, Options *options) {
    while (*text != '\0') {
        char *end;
        long first = strtol(text, &end, 10), last = first;
        if (end == text || first < 1 || first > MAX_FIELDS) return 0;
        if (*end == '-') {
            const char *from = end + 1;
            last = strtol(from, &end, 10);
            if (end == from || last < first || last > MAX_FIELDS) return 0;
        }
        if (*end != ',' && *end != '\0') return 0;
        for (; first <= last; ++first) {
            if (options->column_count == MAX_FIELDS) return 0;
            options->columns[options->column_count++] = (int)first;
        }
        text = *end == ',' ? end + 1 : end;
    }
    return options->column_count > 0;
}

static int parse_options(int argc, char **argv, Options *options) {
    int i;
    long number;
    options->file = LINTROW_SAMPLE;
    options->library = getenv("LINTROW_LIBRARY") != NULL ? getenv("LINTROW_LIBRARY") : LINTROW_LIBRARY_NAME;
    strcpy(options->delimiter, ",");
    options->skip_to = NULL;
    options->line_limit = -1;
    options->cell_width = 24;
    options->column_count = 0;
    for (i = 1; i < argc; ++i) {
        const char *option = argv[i];
        const char *value = i + 1 < argc ? argv[i + 1] : NULL;
        if (option[0] != '-' || option[1] == '\0') {
            if (i != argc - 1) return 0;
            options->file = option;
            return 1;
        }
        if (value == NULL) return 0;
        ++i;
        if (strcmp(option, "-d") == 0) {
            if (strlen(value) != 1) return 0;
            options->delimiter[0] = value[0];
        } else if (strcmp(option, "-f") == 0) {
            if (!parse_field_list(value, options)) return 0;
        } else if (strcmp(option, "-n") == 0) {
            if (!parse_number(value, 0, &number)) return 0;
            options->line_limit = number;
        } else if (strcmp(option, "-w") == 0) {
            if (!parse_number(value, 0, &number)) return 0;
            options->cell_width = number == 0 ? 0 : (int)(number < 4 ? 4 : number);
        } else if (strcmp(option, "--skip-to") == 0) {
            options->skip_to = value;
        } else if (strcmp(option, "--library") == 0) {
            options->library = value;
        } else {
            return 0;
        }
    }
    return 1;
}

static char cell[MAX_LINE_LENGTH + 1];
static int column_widths[MAX_FIELDS];

/* A scan that consumes nothing marks the end of the file; a result of 0 alone
   could also be an empty line. */
static int next_line(const Api *api) {
    const int before = api->Pos();
    return api->NextLine() != 0 || api->Pos() != before;
}

/* Copies the cell into `cell`, cut to the width with "..." when too wide, and
   returns its length. A field the line does not have is an empty cell. */
static int fetch_cell(const Api *api, const Options *options, int field) {
    char *slot = cell;
    int length;
    if (field <= api->Fields())
        api->GetField(field, &slot, MAX_LINE_LENGTH); /* always ends the copy with a NUL */
    else
        cell[0] = '\0';
    length = (int)strlen(cell); /* a NUL inside the field ends it for printing */
    if (options->cell_width > 0 && length > options->cell_width) {
        length = options->cell_width;
        strcpy(cell + length - 3, "...");
    }
    return length;
}

static void visit_row(const Api *api, const Options *options, int printing) {
    const int count = options->column_count > 0 ? options->column_count : api->Fields();
    int column, pending_spaces = 0;
    for (column = 0; column < count; ++column) {
        const int field = options->column_count > 0 ? options->columns[column] : column + 1;
        const int length = fetch_cell(api, options, field);
        if (!printing) {
            if (length > column_widths[column]) column_widths[column] = length;
            continue;
        }
        /* Padding is written only before a following non-empty cell, so no
           line ends in spaces. */
        if (length > 0) {
            printf("%*s%s", pending_spaces, "", cell);
            pending_spaces = 0;
        }
        pending_spaces += column_widths[column] - length + 2;
    }
    if (printing) putchar('\n');
}

/* One pass over the lines to show. Returns 0 when the file cannot be opened
   or no line begins with the --skip-to prefix. */
static int walk(const Api *api, const Options *options, int printing) {
    long shown = 0;
    int more;
    if (api->PrepareFile(options->file) == HFILE_ERROR) {
        fprintf(stderr, "show_table: cannot open %s\n", options->file);
        return 0;
    }
    api->SetDelim(options->delimiter);
    if (options->skip_to != NULL) {
        char *slot = cell;
        /* An empty second prefix would match every line: pass the one twice. */
        more = api->SkipToLine(options->skip_to, options->skip_to, &slot, MAX_LINE_LENGTH) > 0;
        if (!more) {
            fprintf(stderr, "show_table: no line begins with \"%s\" before an empty line or the end\n",
                    options->skip_to);
            api->CloseFile();
            return 0;
        }
    } else {
        more = next_line(api);
    }
    while (more && (options->line_limit < 0 || shown < options->line_limit)) {
        visit_row(api, options, printing);
        ++shown;
        more = next_line(api);
    }
    api->CloseFile();
    return 1;
}

int main(int argc, char **argv) {
    static Options options;
    Api api;
    if (!parse_options(argc, argv, &options)) {
        usage();
        return 2;
    }
    if (!load_library(options.library, &api)) return 1;
    if (!walk(&api, &options, 0) || !walk(&api, &options, 1)) return 1;
    return fflush(stdout) == 0 ? 0 : 1;
}
