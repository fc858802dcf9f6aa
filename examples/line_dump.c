/* Prints every line of a delimited file with its fields, one per line:
 *
 *     line_dump FILE [DELIMITER]
 *
 * A scan that consumes nothing (Pos() unchanged) marks the end of the file;
 * a result of 0 alone could also be an empty line. A line longer than
 * MAX_LINE_LENGTH comes in pieces, printed under the same line number; the
 * scan that returns 0 right after a full piece is the end of that long line
 * (its line feed), not an empty line. */
#include <stdio.h>

#include "Lintrow.h"

int main(int argc, char **argv) {
    char text[MAX_LINE_LENGTH + 1];
    char *buffer = text;
    int line = 0;
    int previous = 0;
    if (argc < 2) {
        fprintf(stderr, "usage: %s FILE [DELIMITER]\n", argv[0]);
        return 2;
    }
    if (PrepareFile(argv[1]) == HFILE_ERROR) {
        fprintf(stderr, "%s: cannot open\n", argv[1]);
        return 1;
    }
    SetDelim(argc > 2 ? argv[2] : ",");
    for (;;) {
        const int before = Pos();
        const int length = NextLine();
        int field;
        const int continued = previous == MAX_LINE_LENGTH;
        if (length == 0 && Pos() == before) break;
        previous = length;
        if (continued && length == 0) continue;
        if (!continued) ++line;
        CurrentRecord(&buffer, MAX_LINE_LENGTH);
        printf("%d%s: %s\n", line, continued ? " (continued)" : "", text);
        for (field = 1; field <= Fields(); ++field) {
            GetField(field, &buffer, MAX_LINE_LENGTH);
            printf("  [%d] %s\n", field, text);
        }
    }
    printf("%d lines, %d bytes\n", line, Pos());
    return CloseFile() == 0 ? 0 : 1;
}
