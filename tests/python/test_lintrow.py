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
    """The file's lines by plain Python: LF ends a line, CR is dropped, a
    field ends at a NUL. The property test compares the two on random files;
    this is for the bundled samples."""
    lines = data.replace(b"\r", b"").split(b"\n")
    if lines[-1] == b"":
        lines.pop()
    return [[field.split(b"\0")[0].decode() for field in line.split(delimiter.encode())] for line in lines]


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

    def test_skip_to_header_then_iterate(self):
        with lintrow.Reader(SAMPLE) as reader:
            header = reader.skip_to("order_id")
            self.assertEqual(header[:3], ["order_id", "date", "customer"])
            self.assertEqual(reader.line(), ",".join(header))
            self.assertEqual(next(reader)[0], "A10001")
            self.assertIsNone(reader.skip_to("no such prefix"))

    def test_multibyte_encodings_decode_before_they_split(self):
        # In Shift JIS and GBK a character's second byte may be the
        # delimiter's: "ポ" ends in the byte of "|", "乗" in that of "\\".
        for text, delimiter, encoding in [("aポb|c", "|", "shift_jis"), ("x乗y\\z", "\\", "gbk")]:
            with self.subTest(encoding=encoding):
                with lintrow.Reader(self.write((text + "\n").encode(encoding)), delimiter, encoding=encoding) as reader:
                    self.assertEqual(next(reader), text.split(delimiter))
                    self.assertEqual(reader.line(), text)

    def test_paths_are_encoded_as_the_file_api_reads_them(self):
        directory = tempfile.mkdtemp()
        self.addCleanup(lambda: [os.unlink(os.path.join(directory, name)) for name in os.listdir(directory)]
                        or os.rmdir(directory))
        path = os.path.join(directory, "tëst ポ.csv")
        pathlib.Path(path).write_bytes(b"a,b\n")
        for form in (path, pathlib.Path(path), os.fsencode(path)):
            with self.subTest(form=type(form).__name__), lintrow.Reader(form) as reader:
                self.assertEqual(next(reader), ["a", "b"])
        # The ANSI code page on Windows: what it cannot hold is refused by
        # name, before the library could open some other file.
        self.assertEqual(lintrow._path_bytes("C:\\dé.csv", "cp1252"), b"C:\\d\xe9.csv")
        with self.assertRaisesRegex(ValueError, "ポ.csv.*cannot be encoded in cp1252"):
            lintrow._path_bytes("ポ.csv", "cp1252")
        for bad in [path + "\0junk", os.fsencode(path) + b"\0junk", "\ud800.csv"]:
            with self.subTest(bad=bad), self.assertRaisesRegex(ValueError, "cannot"):
                lintrow.Reader(bad)
        with lintrow.Reader(SAMPLE) as reader:  # a refused path leaves no Reader open
            self.assertIsNotNone(next(reader))

    def test_one_reader_at_a_time_and_closed_reader(self):
        reader = lintrow.Reader(SAMPLE)
        with self.assertRaises(RuntimeError):
            lintrow.Reader(SAMPLE)
        reader.close()
        for _ in range(2):  # every use, not only the first, and never a silent end
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
        for use in [reader.fields, reader.line, lambda: reader.skip_to("x"), lambda: reader.position,
                    lambda: next(reader)]:
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
