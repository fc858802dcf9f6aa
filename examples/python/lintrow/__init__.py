"""Reads delimited text files through the Lintrow library, with ctypes only.

    import lintrow

    with lintrow.Reader("orders.csv", ",") as reader:
        for fields in reader:
            print(fields)

The library keeps one open file per process, so one Reader may be open at a
time. The library is the one installed inside this package (the wheel ships
it), otherwise the one at $LINTROW_LIBRARY, otherwise the system's, found by
its name (libLintrow.so.1, as the Debian package installs it, or
libLintrow.so; Lintrow.dll on Windows) on the system's search path.

On Windows the DLL must match the interpreter: a 64-bit x64 Python needs
Lintrow.dll from Lintrow-<version>-win64.zip, a 32-bit Python the one from
Lintrow-<version>-win32.zip, an ARM64 Python the one from
Lintrow-<version>-winarm64.zip. Another one raises WrongBitnessError, which
names both.
"""
import ctypes
import errno
import os
import platform
import struct
import sys
import threading

MAX_LINE_LENGTH = 1024
HFILE_ERROR = -1

_library = None

# The machine field of a Windows image's header, by the package that ships
# a DLL for it.
_PE_MACHINES = {0x14C: "win32", 0x8664: "win64", 0xAA64: "winarm64"}
_MACHINE_NAMES = {"win32": "32-bit", "win64": "64-bit x64", "winarm64": "ARM64"}


class WrongBitnessError(OSError):
    """The library file is a Windows DLL built for another kind of process
    (the other bitness, or x64 against ARM64)."""


def _process_machine():
    """The package whose DLL this Python loads: an x64 Python emulated on
    ARM64 Windows loads the x64 one."""
    if struct.calcsize("P") == 4:
        return "win32"
    return "winarm64" if platform.machine().lower() in ("arm64", "aarch64") else "win64"


def _dll_machine(path):
    """win32, win64 or winarm64 for a Windows DLL at path, None for anything
    else (or a name the system's search path resolves)."""
    try:
        with open(path, "rb") as image:
            header = image.read(4096)
    except OSError:
        return None
    if header[:2] != b"MZ" or len(header) < 0x40:
        return None
    offset = struct.unpack_from("<I", header, 0x3C)[0]
    if header[offset:offset + 4] != b"PE\0\0":
        return None
    return _PE_MACHINES.get(struct.unpack_from("<H", header, offset + 4)[0])


def _candidates():
    """Where the library may be, in the order tried."""
    windows = sys.platform == "win32"
    bundled = os.path.join(os.path.dirname(os.path.abspath(__file__)),
                           "Lintrow.dll" if windows else "libLintrow.so.1")
    if os.path.isfile(bundled):
        yield bundled
    if os.environ.get("LINTROW_LIBRARY"):
        yield os.environ["LINTROW_LIBRARY"]
    yield from (["Lintrow.dll"] if windows else ["libLintrow.so.1", "libLintrow.so"])


def load(path=None):
    """Loads the library once and declares its ten functions: the one at path
    when given, otherwise the first of the bundled one, $LINTROW_LIBRARY and
    the system's that loads."""
    global _library
    if _library is None or path is not None:
        if path is None:
            failure = None
            for candidate in _candidates():
                try:
                    return load(candidate)
                except WrongBitnessError:
                    raise
                except OSError as error:
                    failure = failure or error
            raise failure
        bits = struct.calcsize("P") * 8
        dll_machine, machine = _dll_machine(path), _process_machine()
        if dll_machine is not None and dll_machine != machine:
            raise WrongBitnessError(
                f"{path} is the {_MACHINE_NAMES[dll_machine]} Lintrow.dll, but this Python is "
                f"{_MACHINE_NAMES[machine]}: use Lintrow.dll from Lintrow-<version>-{machine}.zip, not from "
                f"Lintrow-<version>-{dll_machine}.zip")
        # On 32-bit Windows every function removes its own arguments
        # (stdcall); 64-bit Windows has one calling convention.
        library = ctypes.WinDLL(path) if sys.platform == "win32" and bits == 32 else ctypes.CDLL(path)
        slot = ctypes.POINTER(ctypes.c_char_p)
        signatures = {
            "PrepareFile": (ctypes.c_int, [ctypes.c_char_p]),
            "SetDelim": (None, [ctypes.c_char_p]),
            "CloseFile": (ctypes.c_int, []),
            "Fields": (ctypes.c_int, []),
            "Pos": (ctypes.c_int, []),
            "NextLine": (ctypes.c_int, []),
            "GetLine": (ctypes.c_int, [slot, ctypes.c_int]),
            "CurrentRecord": (ctypes.c_int, [slot, ctypes.c_int]),
            "GetField": (ctypes.c_int, [ctypes.c_int, slot, ctypes.c_int]),
            "SkipToLine": (ctypes.c_int, [ctypes.c_char_p, ctypes.c_char_p, slot, ctypes.c_int]),
        }
        for name, (result, arguments) in signatures.items():
            function = getattr(library, name)
            function.restype = result
            function.argtypes = arguments
        # GetLine and Pos again as bare function pointers for the Reader's
        # scan: a call through them skips ctypes' per-argument conversion.
        prototype = ctypes.WINFUNCTYPE if sys.platform == "win32" and bits == 32 else ctypes.CFUNCTYPE
        library.lintrow_fast_calls = (prototype(ctypes.c_int, ctypes.c_void_p, ctypes.c_int)(("GetLine", library)),
                                      prototype(ctypes.c_int)(("Pos", library)))
        _library = library
    return _library


class Reader:
    """An iterator over the lines of a delimited file, each a list of fields.

    Lines come whole: the library delivers a line longer than 1024 bytes in
    pieces of 1024, and the Reader joins the pieces again, so a field that
    straddles a cut comes back whole. An empty line gives [""].

    Encoding: the file is read as bytes. Each whole line is decoded with
    `encoding` (and `errors`) and then split at the delimiter character, so a
    character split by a cut, or one whose bytes hold the delimiter byte (as
    in Shift JIS or GBK), comes back whole. A field ends at a NUL, as a C
    host's copy does. With encoding=None the fields are bytes, split at the
    delimiter byte. The delimiter must be one byte in the encoding (',' or
    '\\t', not 'é' in UTF-8; ASCII when encoding is None). There is no
    quoting: '"Smith, John"' is two fields.

    Errors: a line that does not decode (with errors="strict") raises
    UnicodeDecodeError for that line alone; the next call goes on with the
    next line. A file that cannot be opened raises the OSError subclass that
    says why (FileNotFoundError, IsADirectoryError, PermissionError), with
    errno and filename; a path that holds a NUL or cannot be encoded the way
    the system's file API reads it raises ValueError. Any use after close()
    raises ValueError.

    Threads: the library has one reader per process, so one Reader may be
    open at a time; opening a second raises RuntimeError, also when two
    threads open at the same moment. Use a Reader from one thread at a time.
    """

    _lock = threading.RLock()  # guards the one-reader rule (re-entered by __del__)
    _one_open = False  # a flag, not the Reader: an unreferenced Reader must be collectable

    def __init__(self, path, delimiter=",", *, encoding="utf-8", errors="replace", library=None):
        self._closed = True
        delimiter_bytes = delimiter if isinstance(delimiter, bytes) else str(delimiter).encode(encoding or "ascii")
        if len(delimiter_bytes) != 1:
            raise ValueError(f"the delimiter must be one byte in {encoding or 'ASCII'}, not {delimiter!r}")
        path_bytes = _path_bytes(path)
        self._lib = load(library)
        self._encoding = encoding
        self._errors = errors
        self._delimiter = delimiter_bytes
        self._text_delimiter = delimiter_bytes if encoding is None else delimiter_bytes.decode(encoding)
        self._nul = b"\0" if encoding is None else "\0"
        self._scan = _LineScan(self._lib, delimiter_bytes)
        with Reader._lock:
            if Reader._one_open:
                raise RuntimeError("the library reads one file at a time: close the open Reader first")
            if self._lib.PrepareFile(path_bytes) == HFILE_ERROR:
                _raise_open_error(path)
            Reader._one_open = True
            self._closed = False
        self._lib.SetDelim(delimiter_bytes)

    def __enter__(self):
        return self

    def __exit__(self, *exception):
        self.close()

    def __iter__(self):
        return self

    def __next__(self):
        # The common line, shorter than a piece and without a NUL, in this
        # one frame: the iteration's speed is the calls it makes per line.
        scan = self._scan
        if not scan.closed:
            before = scan.pos()
            length = scan.get_line(scan.slot_address, MAX_LINE_LENGTH)
            if 0 < length < MAX_LINE_LENGTH:
                whole = scan.buffer.value
                if len(whole) == length:
                    scan.whole = whole
                    if self._encoding is None:
                        return whole.split(self._delimiter)
                    return whole.decode(self._encoding, self._errors).split(self._text_delimiter)
            whole = scan.finish_line(before, length)
        else:
            whole = scan.next_line()
        if whole is None:
            raise StopIteration
        return self._split(whole)

    def _split(self, whole):
        """The fields of a whole line: decoded, split at the delimiter, each
        cut at its first NUL."""
        text = whole if self._encoding is None else whole.decode(self._encoding, self._errors)
        fields = text.split(self._text_delimiter)
        if self._nul in text:
            nul = self._nul
            fields = [field.partition(nul)[0] for field in fields]
        return fields

    def fields(self):
        """The fields of the current line."""
        self._check_open()
        return self._split(self._scan.whole)

    def line(self):
        """The current line, whole (its fields joined by the delimiter)."""
        return self._text_delimiter.join(self.fields())

    def skip_to(self, prefix, other_prefix=None):
        """Moves to the first line that begins with either prefix and returns its
        fields, or None when an empty line or the end of the file comes first."""
        self._check_open()
        prefixes = tuple(p if isinstance(p, bytes) else p.encode(self._encoding or "ascii")
                         for p in (prefix, prefix if other_prefix is None else other_prefix))
        while True:
            whole = self._scan.next_line()
            if not whole:
                return None
            if whole.startswith(prefixes):
                return self._split(whole)

    @property
    def position(self):
        """Bytes consumed so far: the offset of the next line, modulo 4 GiB."""
        self._check_open()
        return self._lib.Pos() & 0xFFFFFFFF

    def close(self):
        with Reader._lock:
            if not self._closed:
                self._closed = self._scan.closed = True
                Reader._one_open = False
                self._lib.CloseFile()

    def __del__(self):
        self.close()

    def _check_open(self):
        if self._closed:
            raise ValueError("I/O operation on a closed Reader")


class _LineScan:
    """The scan of whole lines, apart from the Reader so that nothing it holds
    refers back to the Reader, which then closes as soon as it is dropped."""

    def __init__(self, lib, delimiter):
        self.lib = lib
        self.delimiter = delimiter
        self.closed = False
        self.whole = b""  # the current line, as next_line returned it
        self.buffer = ctypes.create_string_buffer(MAX_LINE_LENGTH + 1)
        self.slot = ctypes.c_char_p(ctypes.addressof(self.buffer))
        self.slot_address = ctypes.addressof(self.slot)
        self.get_line, self.pos = lib.lintrow_fast_calls

    def next_line(self):
        """The next whole line as bytes, or None at the end of the file: one
        library call per line of up to 1024 bytes. Where a field's copy
        stops at a NUL, the line holds that NUL and not the bytes after it up
        to the next delimiter, which the library does not deliver."""
        if self.closed:
            raise ValueError("I/O operation on a closed Reader")
        before = self.pos()
        return self.finish_line(before, self.get_line(self.slot_address, MAX_LINE_LENGTH))

    def finish_line(self, before, length):
        """next_line's result once GetLine has returned length, Pos having
        been before."""
        get_line, slot, buffer = self.get_line, self.slot_address, self.buffer
        if length == 0:
            # Nothing consumed is the end of the file; 0 alone is an empty
            # line, for which the library copies nothing.
            if self.pos() == before:
                return None
            self.whole = b""
            return b""
        whole = buffer.value  # up to the first NUL
        if len(whole) != length:
            whole = self.fields_cut_at_nul()
        # A full piece goes on in the next scan. A 0 from that scan is the
        # end of this long line (its LF), not an empty line of its own.
        while length == MAX_LINE_LENGTH:
            length = get_line(slot, MAX_LINE_LENGTH)
            if length == 0:
                break
            piece = buffer.value
            if len(piece) != length:
                piece = self.fields_cut_at_nul()
            if whole.rfind(b"\0") > whole.rfind(self.delimiter):
                # The field across the cut ended at a NUL before it.
                piece = piece[piece.find(self.delimiter):] if self.delimiter in piece else b""
            whole += piece
        self.whole = whole
        return whole

    def fields_cut_at_nul(self):
        """The line or piece just scanned, which holds a NUL: each field up to
        and including its first NUL, joined by the delimiter."""
        lib, slot, buffer = self.lib, ctypes.byref(self.slot), self.buffer
        fields = []
        for index in range(1, lib.Fields() + 1):
            length = lib.GetField(index, slot, MAX_LINE_LENGTH)
            field = buffer.value
            fields.append(field if len(field) == length else field + b"\0")
        return self.delimiter.join(fields)


def _path_bytes(path, codec=None):
    """path as the bytes the library's file open reads: a str in the ANSI code
    page on Windows (codec "mbcs"), in the file system encoding elsewhere;
    bytes as they are. Raises ValueError for a path the library would
    misread: one that holds a NUL (it would end the path there) or cannot be
    encoded that way."""
    name = os.fspath(path)
    if isinstance(name, str):
        codec = codec or ("mbcs" if sys.platform == "win32" else None)
        try:
            encoded = name.encode(codec, "strict") if codec else os.fsencode(name)
        except UnicodeEncodeError:
            where = "the ANSI code page" if codec == "mbcs" else codec or "the file system encoding"
            raise ValueError(f"{name!r}: the path cannot be encoded in {where}, "
                             "which the library's file open reads") from None
    else:
        encoded = bytes(name)
    if b"\0" in encoded:
        raise ValueError(f"{name!r}: a path cannot hold a NUL")
    return encoded


def _raise_open_error(path):
    """Raises the OSError subclass that says why path cannot be opened."""
    name = os.fspath(path)
    if os.path.isdir(name):
        raise IsADirectoryError(errno.EISDIR, os.strerror(errno.EISDIR), name)
    with open(name, "rb"):  # raises FileNotFoundError, PermissionError, ...
        pass
    raise OSError(errno.EIO, "Lintrow cannot open the file", name)
