"""The Python host's wrapper over the built library, against the bundled
sample and small files of its own. Run by ctest with LINTROW_LIBRARY set."""
import os
import pathlib
import struct
import sys
import tempfile
import unittest

ROOT = pathlib.Path(__file__).resolve().parents[2]
sys.path.insert(0, str(ROOT / "examples" / "python"))
import lintrow  # noqa: E402

SAMPLE = ROOT / "examples" / "sample" / "orders.csv"


def expected_rows(data, delimiter):
    """The sample's lines as the library's contract describes them, by plain
    Python: LF ends a line, CR is dropped, long lines come in 1024-character
    pieces, and a field ends at a NUL as a C string does."""
    rows = []
    lines = data.replace(b"\r", b"").split(b"\n")
    if lines[-1] == b"":
        lines.pop()
    for line in lines:
        pieces = [line[at:at + 1024] for at in range(0, len(line), 1024)] or [b""]
        for piece in pieces:
            rows.append([field.split(b"\0")[0].decode() for field in piece.split(delimiter.encode())])
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
        self.assertEqual(len(rows), 305)  # 304 lines, one of them cut in two pieces
        self.assertIn([""], rows)

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

    def test_missing_file_raises(self):
        with self.assertRaises(OSError):
            lintrow.Reader(SAMPLE.with_name("missing.csv"))
        with lintrow.Reader(SAMPLE) as reader:  # a failed open leaves no Reader open
            self.assertIsNotNone(next(reader))

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
