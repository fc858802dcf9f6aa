/*
 * Lintrow: reads a delimited text file one line at a time and takes each
 * line apart into fields.
 *
 * One reader per process: open a file with PrepareFile, choose the delimiter
 * with SetDelim (after PrepareFile, which resets it to NUL), pull lines with
 * NextLine, GetLine or SkipToLine, copy fields out with GetField, and close
 * the file with CloseFile. All calls must come from one thread at a time.
 *
 * Input format: LF ends a line; CR is dropped wherever it stands; every other
 * byte, NUL included, belongs to the line. A line longer than MAX_LINE_LENGTH
 * characters is delivered in pieces of MAX_LINE_LENGTH.
 *
 * Output: every copy goes into a buffer the host owns. The host passes the
 * address of its own pointer variable (a StringSlot) and maxlen, the most
 * characters it accepts; the buffer must hold maxlen + 1 bytes. A copy of
 * n = min(source length, maxlen) characters writes exactly n + 1 bytes:
 * the source up to its first NUL, NUL fill up to n, and a NUL at position n.
 * Nothing is ever written outside those n + 1 bytes. A negative maxlen, a
 * null slot or a slot holding a null pointer means no room: nothing is
 * written and the count is 0. A null input string counts as empty.
 *
 * A count of 0 doubles as "nothing to deliver": an empty line, the end of
 * the file, a failed read or a field number out of range. A scan that leaves
 * Pos() where it was is the end of the file.
 *
 * Long lines: a line of exactly MAX_LINE_LENGTH characters (or a multiple)
 * comes as its pieces and then one more scan that returns 0 while Pos()
 * advances: it takes the line's LF and is the end of that long line, not an
 * empty line. A host that stops at an empty line checks whether the previous
 * piece was MAX_LINE_LENGTH long.
 *
 * Bytes, not characters: lengths and the cut count bytes; there is no
 * quoting, and a UTF-8 byte-order mark is part of the first line.
 */
#ifndef LINTROW_H
#define LINTROW_H

/*
 * LINTROW_API: LINTROW_DLL_EXPORT=1 when building a DLL that exports with
 * __declspec, LINTROW_DLL_IMPORT=1 for a host that imports it that way, and
 * otherwise nothing on Windows (the .def file and import library do the work)
 * or default visibility elsewhere.
 */
#if defined(LINTROW_DLL_EXPORT) && (LINTROW_DLL_EXPORT == 1)
#  define LINTROW_API __declspec(dllexport)
#elif defined(LINTROW_DLL_IMPORT) && (LINTROW_DLL_IMPORT == 1)
#  define LINTROW_API __declspec(dllimport)
#elif defined(__GNUC__) && (__GNUC__ >= 4) && !defined(__MINGW32__) && !defined(_WIN32)
#  define LINTROW_API __attribute__((visibility("default")))
#else
#  define LINTROW_API
#endif

/* On 32-bit Windows every function removes its own arguments, as the
   system's own libraries do. */
#if defined(_WIN32) && !defined(_WIN64)
#  define LINTROW_CALL __stdcall
#else
#  define LINTROW_CALL
#endif

enum {
    READ_BUFFER_SIZE = 32768, /* bytes per read from the file */
    MAX_LINE_LENGTH = 1024,   /* characters per line; longer lines come in pieces */
    MAX_FIELDS = 1025         /* a line of 1024 delimiters holds 1025 fields */
};

#ifndef HFILE_ERROR
#  define HFILE_ERROR (-1)
#endif

/* The address of the host's pointer variable; the pointer designates a
   writable buffer of maxlen + 1 bytes. The library never changes the pointer. */
typedef char **StringSlot;

#ifdef __cplusplus
extern "C" {
#endif

/* Opens the file at path for reading and resets the reader: buffer empty,
   Pos() 0, delimiter NUL. The current line and Fields() stay as they were
   until the next scan. Does not close a file opened earlier.
   Returns the file handle, or HFILE_ERROR (-1) when the file cannot be
   opened (missing, a directory, no permission); the reset happens anyway. */
LINTROW_API int LINTROW_CALL PrepareFile(const char *path);

/* Sets the field delimiter to the first byte of delimiter (NUL for "").
   Call it after PrepareFile, which resets the delimiter. */
LINTROW_API void LINTROW_CALL SetDelim(const char *delimiter);

/* Closes the file opened by the last PrepareFile. Returns 0 on success,
   HFILE_ERROR when the close failed or when there is no open file (never
   opened, the open failed, or already closed). Lines already read into the
   buffer are still delivered afterwards; reading past them fails. */
LINTROW_API int LINTROW_CALL CloseFile(void);

/* Returns the number of fields of the current line (delimiters + 1); 1 after
   an empty line or the end of the file, 0 before the first line ever read. */
LINTROW_API int LINTROW_CALL Fields(void);

/* Returns the number of bytes consumed from the file since PrepareFile, CR
   and LF included: the file offset of the next line, as a 32-bit count: past
   2^31 - 1 it turns negative, and (unsigned)Pos() is the offset modulo 2^32. */
LINTROW_API int LINTROW_CALL Pos(void);

/* Scans the next line into the reader's own line buffer and indexes its
   fields. Returns its length (0 to MAX_LINE_LENGTH); 0 means an empty line,
   the end of the file or a failed read. Writes into no caller buffer.
   From a pipe, FIFO, device or socket it returns as soon as the line's LF, a
   full piece, the end of the source or a failed read is in hand; it blocks
   only while the line is incomplete and the writer still open. Closing the
   writing end ends a blocked scan, which then returns what it has. */
LINTROW_API int LINTROW_CALL NextLine(void);

/* Scans the next line like NextLine and copies it into the slot's buffer.
   Returns n = min(line length, maxlen) and writes n + 1 bytes. When the line
   is empty or the file has ended, returns 0 and writes nothing. */
LINTROW_API int LINTROW_CALL GetLine(StringSlot slot, int maxlen);

/* Copies the current line again, without scanning. Returns
   n = min(line length, maxlen) and writes n + 1 bytes, also for an empty line
   (an empty string, 0). Can be called any number of times. */
LINTROW_API int LINTROW_CALL CurrentRecord(StringSlot slot, int maxlen);

/* Copies field number index (1 to Fields()) of the current line, without its
   delimiter. Returns n = min(field length, maxlen) and writes n + 1 bytes; an
   empty field gives an empty string and 0. An index below 1 or above Fields()
   returns 0 and writes nothing. */
LINTROW_API int LINTROW_CALL GetField(int index, StringSlot slot, int maxlen);

/* Reads lines like GetLine until one whose copy in the buffer begins with
   prefix1 or prefix2 (an empty prefix matches any non-empty line) and returns
   its count; that line stays in the buffer and is the current line. Stops at
   the first empty line or the end of the file, leaving an empty string in the
   buffer and returning 0. Lines passed over are consumed. A prefix longer than
   maxlen cannot match. Writes at most maxlen + 1 bytes. */
LINTROW_API int LINTROW_CALL SkipToLine(const char *prefix1, const char *prefix2, StringSlot slot,
                                        int maxlen);

#ifdef __cplusplus
}
#endif

#endif /* LINTROW_H */
