"""Reads delimited text files through the Lintrow library, with ctypes only.

    import lintrow

    with lintrow.Reader("orders.csv", ",") as reader:
        for fields in reader:
            print(fields)

The library keeps one open file per process, so one Reader may be open at a
time. The library is found at $LINTROW_LIBRARY when set, otherwise by its
name (libLintrow.so, Lintrow.dll) on the system's search path.

On Windows the DLL must match the interpreter's bitness: a 64-bit Python
needs Lintrow.dll from Lintrow-<version>-win64.zip, a 32-bit Python the one
from Lintrow-<version>-win32.zip. A DLL of the other bitness raises
WrongBitnessError, which names both.
"""
import ctypes
import os
import struct
import sys

MAX_LINE_LENGTH = 1024
HFILE_ERROR = -1

_library = None

# The machine field of a Windows image's header, by the bitness it serves.
_PE_MACHINES = {0x14C: 32, 0x8664: 64}


class WrongBitnessError(OSError):
    """The library file is a Windows DLL built for the other bitness."""


def _dll_bitness(path):
    """32 or 64 for a Windows DLL at path, None for anything else (or a name
    the system's search path resolves)."""
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


def load(path=None):
    """Loads the library once and declares its ten functions."""
    global _library
    if _library is None or path is not None:
        path = path or os.environ.get("LINTROW_LIBRARY") or (
            "Lintrow.dll" if sys.platform == "win32" else "libLintrow.so")
        bits = struct.calcsize("P") * 8
        dll_bits = _dll_bitness(path)
        if dll_bits is not None and dll_bits != bits:
            raise WrongBitnessError(
                f"{path} is the {dll_bits}-bit Lintrow.dll, but this Python is {bits}-bit: "
                f"use Lintrow.dll from Lintrow-<version>-win{bits}.zip, not from "
                f"Lintrow-<version>-win{dll_bits}.zip")
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
        _library = library
    return _library


class Reader:
    """An iterator over the lines of a delimited file, each a list of fields.

    A line longer than 1024 characters comes in pieces of 1024, as the
    library delivers it; an empty line gives [""]. Fields are decoded with
    `encoding` and stop at a NUL byte, as a C host sees them.
    """

    _one_open = False  # a flag, not the Reader: an unreferenced Reader must be collectable

    def __init__(self, path, delimiter=",", *, encoding="utf-8", errors="replace", library=None):
        self._closed = True
        if Reader._one_open:
            raise RuntimeError("the library reads one file at a time: close the open Reader first")
        if len(delimiter) != 1:
            raise ValueError("the delimiter is one character")
        self._lib = load(library)
        self._encoding = encoding
        self._errors = errors
        self._buffer = ctypes.create_string_buffer(MAX_LINE_LENGTH + 1)
        self._slot = ctypes.c_char_p(ctypes.addressof(self._buffer))
        if self._lib.PrepareFile(os.fsencode(path)) == HFILE_ERROR:
            raise OSError(f"Lintrow cannot open {os.fspath(path)!r}")
        self._lib.SetDelim(delimiter.encode(encoding))
        self._closed = False
        Reader._one_open = True

    def __enter__(self):
        return self

    def __exit__(self, *exception):
        self.close()

    def __iter__(self):
        return self

    def __next__(self):
        self._check_open()
        before = self._lib.Pos()
        # Nothing consumed is the end of the file; 0 alone may be an empty line.
        if self._lib.NextLine() == 0 and self._lib.Pos() == before:
            raise StopIteration
        return self.fields()

    def fields(self):
        """The fields of the current line."""
        return [self._copied(self._lib.GetField(index, ctypes.byref(self._slot), MAX_LINE_LENGTH))
                for index in range(1, self._lib.Fields() + 1)]

    def line(self):
        """The current line, whole."""
        return self._copied(self._lib.CurrentRecord(ctypes.byref(self._slot), MAX_LINE_LENGTH))

    def skip_to(self, prefix, other_prefix=None):
        """Moves to the first line that begins with either prefix and returns its
        fields, or None when an empty line or the end of the file comes first."""
        self._check_open()
        first = prefix.encode(self._encoding)
        second = first if other_prefix is None else other_prefix.encode(self._encoding)
        if self._lib.SkipToLine(first, second, ctypes.byref(self._slot), MAX_LINE_LENGTH) == 0:
            return None
        return self.fields()

    @property
    def position(self):
        """Bytes consumed so far: the offset of the next line, modulo 4 GiB."""
        return self._lib.Pos() & 0xFFFFFFFF

    def close(self):
        if not self._closed:
            self._closed = True
            Reader._one_open = False
            self._lib.CloseFile()

    def __del__(self):
        self.close()

    def _check_open(self):
        if self._closed:
            raise ValueError("I/O operation on a closed Reader")

    def _copied(self, count):
        return self._buffer.value[:count].decode(self._encoding, self._errors)
