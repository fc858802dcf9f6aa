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
 * Lintrow.dll (Windows), or to $LINTROW_LIBRARY when set.
 *
 * A line longer than MAX_LINE_LENGTH characters is shown in rows of that many
 * characters, as the library delivers it; the empty scan that ends such a
 * line (its line feed) is not a row. */
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
    int(LINTROW_CALL *CurrentRecord)(StringSlot slot, int maxlen);
} Api;

typedef void (*AnyFunction)(void);

static int load_library(const char *path, Api *api) {
    struct {
        const char *name;
        void *into;
    } const bindings[] = {
        {"PrepareFile", &api->PrepareFile}, {"SetDelim", &api->SetDelim}, {"CloseFile", &api->CloseFile},
        {"Fields", &api->Fields},           {"Pos", &api->Pos},           {"NextLine", &api->NextLine},
        {"GetField", &api->GetField},       {"CurrentRecord", &api->CurrentRecord},
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

static void usage(FILE *to) {
    fputs("usage: show_table [-d CHAR] [-f LIST] [-n LINES] [-w WIDTH] [--skip-to PREFIX]\n"
          "                  [--library PATH] [FILE]\n"
          "  -d CHAR           field delimiter, one byte (default ,)\n"
          "  -f LIST           fields to show, in order: 1,3,5-7 (default: all)\n"
          "  -n LINES          show at most LINES lines\n"
          "  -w WIDTH          cut cells to WIDTH characters (default 24, 0: never)\n"
          "  --skip-to PREFIX  start at the first line that begins with PREFIX\n"
          "  --library PATH    the Lintrow library to load\n"
          "  -h, --help        print this help\n"
          "FILE defaults to the bundled sample " LINTROW_SAMPLE "\n"
          "Exit status: 0; 1 when the library or FILE cannot be used, no line begins\n"
          "with PREFIX, or a field of LIST is in none of the lines shown; 2 for a\n"
          "usage error.\n",
          to);
}

/* Says what was wrong with the command line; returns 0 for parse_options. */
static int usage_error(const char *what, const char *option, const char *value) {
    if (value != NULL)
        fprintf(stderr, "show_table: %s %s: %s\n", option, value, what);
    else
        fprintf(stderr, "show_table: %s: %s\n", option, what);
    return 0;
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

/* 1 when the options are good, 0 after saying what is wrong, -1 for help. */
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
        if (strcmp(option, "-h") == 0 || strcmp(option, "--help") == 0) return -1;
        if (option[0] != '-' || option[1] == '\0') {
            if (i != argc - 1) return usage_error("only one FILE, after the options", option, NULL);
            options->file = option;
            return 1;
        }
        if (strcmp(option, "-d") != 0 && strcmp(option, "-f") != 0 && strcmp(option, "-n") != 0 &&
            strcmp(option, "-w") != 0 && strcmp(option, "--skip-to") != 0 && strcmp(option, "--library") != 0)
            return usage_error("unknown option", option, NULL);
        if (value == NULL) return usage_error("needs a value", option, NULL);
        ++i;
        if (strcmp(option, "-d") == 0) {
            if (strlen(value) != 1) return usage_error("the delimiter is one byte", option, value);
            options->delimiter[0] = value[0];
        } else if (strcmp(option, "-f") == 0) {
            if (!parse_field_list(value, options))
                return usage_error("not a list of field numbers from 1 to 1025 such as 1,3,5-7", option, value);
        } else if (strcmp(option, "-n") == 0) {
            if (!parse_number(value, 0, &number)) return usage_error("not a number of lines, 0 or more", option, value);
            options->line_limit = number;
        } else if (strcmp(option, "-w") == 0) {
            if (!parse_number(value, 0, &number)) return usage_error("not a width, 0 or more", option, value);
            options->cell_width = number == 0 ? 0 : (int)(number < 4 ? 4 : number);
        } else if (strcmp(option, "--skip-to") == 0) {
            options->skip_to = value;
        } else {
            options->library = value;
        }
    }
    return 1;
}

static char cell[MAX_LINE_LENGTH + 1];
static int column_widths[MAX_FIELDS];
static int most_fields;     /* of the rows shown */
static int previous_length; /* of the row scanned last */

/* Scans the next row: a line, or a piece of a long one. Returns its length,
   or -1 at the end of the file: a scan that consumes nothing. A scan that
   returns 0 right after a full piece is the end of that long line (its line
   feed), not an empty line, and is passed over. */
static int next_row(const Api *api) {
    int before = api->Pos();
    int length = api->NextLine();
    if (length == 0 && previous_length == MAX_LINE_LENGTH && api->Pos() != before) {
        before = api->Pos();
        length = api->NextLine();
    }
    previous_length = length;
    return length == 0 && api->Pos() == before ? -1 : length;
}

/* Moves to the first row whose text begins with prefix. Returns 0 when an
   empty line or the end of the file comes first. */
static int skip_to(const Api *api, const char *prefix) {
    const size_t length = strlen(prefix);
    int row;
    while ((row = next_row(api)) > 0) {
        char *slot = cell;
        api->CurrentRecord(&slot, MAX_LINE_LENGTH);
        if (strncmp(cell, prefix, length) == 0) return 1;
    }
    return 0;
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
    if (api->Fields() > most_fields) most_fields = api->Fields();
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
    previous_length = 0;
    if (options->skip_to != NULL) {
        more = skip_to(api, options->skip_to);
        if (!more) {
            fprintf(stderr, "show_table: no line begins with \"%s\" before an empty line or the end\n",
                    options->skip_to);
            api->CloseFile();
            return 0;
        }
    } else {
        more = next_row(api) >= 0;
    }
    while (more && (options->line_limit < 0 || shown < options->line_limit)) {
        visit_row(api, options, printing);
        ++shown;
        more = next_row(api) >= 0;
    }
    api->CloseFile();
    return 1;
}

/* A chosen field that no row shown has is surely a mistake: say so instead
   of printing an empty column. */
static int check_columns(const Options *options) {
    int column;
    if (most_fields == 0) return 1; /* no row shown at all */
    for (column = 0; column < options->column_count; ++column) {
        if (options->columns[column] > most_fields) {
            fprintf(stderr, "show_table: no line shown has field %d (the most is %d)\n", options->columns[column],
                    most_fields);
            return 0;
        }
    }
    return 1;
}

int main(int argc, char **argv) {
    static Options options;
    Api api;
    const int parsed = parse_options(argc, argv, &options);
    if (parsed <= 0) {
        usage(parsed < 0 ? stdout : stderr);
        return parsed < 0 ? 0 : 2;
    }
    if (!load_library(options.library, &api)) return 1;
    if (!walk(&api, &options, 0) || !check_columns(&options) || !walk(&api, &options, 1)) return 1;
    return fflush(stdout) == 0 ? 0 : 1;
}
