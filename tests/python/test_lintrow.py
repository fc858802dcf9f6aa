"""The Python host's wrapper over the built library, against the bundled
sample and small files of its own. Run by ctest with LINTROW_LIBRARY set."""
import errno
import os
import pathlib
import struct
import sys
import threading
import tempfile
import unittest

ROOT = pathlib.Path(__file__).resolve().parents[2]
# LINTROW_TEST_INSTALLED names the environment the installed package must
# come from (run with python -P, so that no directory of the source tree is
# on sys.path); otherwise the package of the source tree is tested.
INSTALLED = os.environ.get("LINTROW_TEST_INSTALLED")
if not INSTALLED:
    sys.path.insert(0, str(ROOT / "examples" / "python"))
import lintrow  # noqa: E402

if INSTALLED:
    package = pathlib.Path(lintrow.__file__).resolve().parent
    if not package.is_relative_to(pathlib.Path(INSTALLED).resolve()) or \
            any(pathlib.Path(entry or ".").resolve().is_relative_to(ROOT) for entry in sys.path):
        sys.exit(f"lintrow comes from {package}, sys.path is {sys.path}: not the installed package alone")
    if pathlib.Path(lintrow.load()._name).parent != package:
        sys.exit(f"the installed package loads {lintrow.load()._name}, not the library inside it")

SAMPLE = ROOT / "examples" / "sample" / "orders.csv"
LONG_LINES = ROOT / "examples" / "sample" / "orders_long_lines.csv"


def expected_rows(data, delimiter):
    """The file's lines as the wrapper promises them, by plain Python: LF ends
    a line, CR is dropped, a line comes whole, and a field ends at a NUL
    within each 1024-byte piece the library delivers (a C host sees no
    further)."""
    rows = []
    lines = data.replace(b"\r", b"").split(b"\n")
    if lines[-1] == b"":
        lines.pop()
    for line in lines:
        row = None
        for at in range(0, max(len(line), 1), 1024):
            fields = [field.split(b"\0")[0] for field in line[at:at + 1024].split(delimiter.encode())]
            if row is None:
                row = fields
            else:
                row[-1] += fields[0]
                row.extend(fields[1:])
        rows.append([field.decode() for field in row])
    return rows


class ReaderTest(unittest.TestCase):
    def write(self, data):
        handle, path = tempfile.mkstemp()
        os.write(handle, data)
        os.close(handle)
        self.addCleanup(os.unlink, path)
        return path

    def test_sample_rows_match_an_independent_split(self):
        with lintrow.Reader(SAMPLE, ",") as reader:
            rows = list(reader)
            self.assertEqual(reader.position, SAMPLE.stat().st_size)
        self.assertEqual(rows, expected_rows(SAMPLE.read_bytes(), ","))
        self.assertEqual(len(rows), 304)  # the line of 1,198 characters comes whole
        self.assertIn([""], rows)

    def test_lines_of_1024_and_2048_bytes_come_whole(self):
        data = LONG_LINES.read_bytes()
        with lintrow.Reader(LONG_LINES, ",") as reader:
            rows = list(reader)
            self.assertEqual(reader.position, len(data))
        self.assertEqual(rows, expected_rows(data, ","))
        self.assertEqual(len(rows), 15)
        self.assertEqual(rows[13], [""])  # only the real empty line
        self.assertEqual(len(rows[11][9].encode()), 1500 - len(",".join(rows[11][:9])) - 1)
        self.assertIn("xé", rows[11][9])  # the character across the cut, decoded whole
        # A field that straddles the cut comes back whole.
        straddling = b"a," + b"b" * 1020 + b"cdef,g\n"
        with lintrow.Reader(self.write(straddling), ",") as reader:
            self.assertEqual(next(reader), ["a", "b" * 1020 + "cdef", "g"])
            self.assertEqual(reader.line(), straddling[:-1].decode())

    def test_skip_to_header_then_iterate(self):
        with lintrow.Reader(SAMPLE) as reader:
            header = reader.skip_to("order_id")
            self.assertEqual(header[:3], ["order_id", "date", "customer"])
            self.assertEqual(reader.line(), ",".join(header))
            self.assertEqual(next(reader)[0], "A10001")
            self.assertIsNone(reader.skip_to("no such prefix"))

    def test_other_delimiters_empty_fields_nul_and_no_final_line_feed(self):
        data = b"a\tb\t\tc\r\n\t\n\nx\0y\tz"
        with lintrow.Reader(self.write(data), "\t") as reader:
            self.assertEqual(list(reader), expected_rows(data, "\t"))
        # In Shift JIS the second byte of "ポ" is "|": the library splits the
        # bytes there, and so must the wrapper, before decoding.
        with lintrow.Reader(self.write("aポb|c\n".encode("shift_jis")), "|", encoding="shift_jis") as reader:
            self.assertEqual(next(reader), ["a\ufffd", "b", "c"])

    def test_one_reader_at_a_time_and_closed_reader(self):
        reader = lintrow.Reader(SAMPLE)
        with self.assertRaises(RuntimeError):
            lintrow.Reader(SAMPLE)
        reader.close()
        with self.assertRaises(ValueError):
            next(reader)
        with lintrow.Reader(SAMPLE) as again:
            self.assertTrue(next(again)[0].startswith("# Orders"))

    def test_a_dropped_reader_closes_its_file(self):
        reader = lintrow.Reader(SAMPLE)
        next(reader)
        del reader
        with lintrow.Reader(SAMPLE) as again:
            self.assertTrue(next(again)[0].startswith("# Orders"))

    def test_failed_opens_raise_the_error_that_says_why(self):
        missing = str(SAMPLE.with_name("missing.csv"))
        cases = [(missing, FileNotFoundError, errno.ENOENT), (str(ROOT), IsADirectoryError, errno.EISDIR)]
        if os.geteuid() != 0:  # root reads anything
            unreadable = self.write(b"x\n")
            os.chmod(unreadable, 0)
            cases.append((unreadable, PermissionError, errno.EACCES))
        for path, error, number in cases:
            with self.subTest(path=path), self.assertRaises(error) as raised:
                lintrow.Reader(path)
            self.assertEqual((raised.exception.errno, raised.exception.filename), (number, path))
        with lintrow.Reader(SAMPLE) as reader:  # a failed open leaves no Reader open
            self.assertIsNotNone(next(reader))

    def test_bad_delimiters_and_use_after_close_raise_value_error(self):
        for delimiter in ["é", ",;", ""]:
            with self.subTest(delimiter=delimiter), self.assertRaises(ValueError):
                lintrow.Reader(SAMPLE, delimiter)
        with lintrow.Reader(SAMPLE, "é", encoding="latin-1"):  # one byte in Latin-1
            pass
        reader = lintrow.Reader(SAMPLE)
        next(reader)
        reader.close()
        for use in [reader.fields, reader.line, lambda: reader.skip_to("x"), lambda: reader.position]:
            with self.assertRaises(ValueError):
                use()

    def test_threads_opening_at_once_get_one_reader_and_leak_nothing(self):
        descriptors = len(os.listdir("/proc/self/fd"))
        for _ in range(50):
            start = threading.Barrier(2)
            opened = []

            def open_one():
                start.wait()
                try:
                    opened.append(lintrow.Reader(SAMPLE))
                except RuntimeError:
                    pass

            threads = [threading.Thread(target=open_one) for _ in range(2)]
            for thread in threads:
                thread.start()
            for thread in threads:
                thread.join()
            self.assertEqual(len(opened), 1)
            opened[0].close()
        self.assertEqual(len(os.listdir("/proc/self/fd")), descriptors)

    def test_a_dll_of_the_other_bitness_is_named_not_loaded(self):
        bits = struct.calcsize("P") * 8
        machine = 0x14C if bits == 64 else 0x8664  # i386, x86-64
        header = bytearray(512)
        header[0:2] = b"MZ"
        struct.pack_into("<I", header, 0x3C, 0x80)
        header[0x80:0x84] = b"PE\0\0"
        struct.pack_into("<H", header, 0x84, machine)
        with self.assertRaisesRegex(lintrow.WrongBitnessError, f"win{bits}.zip.*win{96 - bits}.zip"):
            lintrow.load(self.write(bytes(header)))


if __name__ == "__main__":
    unittest.main()
