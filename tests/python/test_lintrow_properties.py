"""The Python wrapper against a plain-Python reference on random files, in
text mode (strict and replacing errors) and in bytes mode. Needs Hypothesis
(Debian's python3-hypothesis); run by ctest with LINTROW_LIBRARY set."""
import os
import pathlib
import sys
import tempfile
import unittest

from hypothesis import HealthCheck, given, settings, strategies as st

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parents[2] / "examples" / "python"))
import lintrow  # noqa: E402

DELIMITERS = [b",", b"\t", b"|"]
# Bytes that the library or the decoder treats specially, and ordinary ones.
CHUNKS = [b",", b"\t", b"|", b"\0", b"\r", b"\r\r", b"\xff", b"\xc3", b"\xe2\x82", "é".encode(), "€".encode(),
          "😀".encode(), b"a", b"field", b" "]
DECODE_ERROR = "UnicodeDecodeError"


def reference_rows(data, delimiter, encoding, errors):
    """LF ends a line, every CR is dropped, the line splits at the delimiter
    byte, a field ends at its first NUL and is then decoded; a line with a
    field that does not decode is an error."""
    lines = data.split(b"\n")
    if lines[-1] == b"":
        lines.pop()
    rows = []
    for line in lines:
        fields = [field.partition(b"\0")[0] for field in line.replace(b"\r", b"").split(delimiter)]
        try:
            rows.append(fields if encoding is None else [field.decode(encoding, errors) for field in fields])
        except UnicodeDecodeError:
            rows.append(DECODE_ERROR)
    return rows


def wrapper_rows(path, delimiter, encoding, errors):
    rows = []
    with lintrow.Reader(path, delimiter, encoding=encoding, errors=errors) as reader:
        while True:
            try:
                rows.append(next(reader))
            except UnicodeDecodeError:
                rows.append(DECODE_ERROR)
            except StopIteration:
                return rows


short_line = st.lists(st.sampled_from(CHUNKS), max_size=30).map(b"".join)
# Long lines: ordinary filler up to 5,000 bytes, or a multi-byte character
# placed across a 1,024-byte cut (its first byte at 1,021 to 1,023, or a
# piece later).
filler_line = st.tuples(st.integers(0, 5000), short_line).map(lambda t: b"x" * t[0] + t[1])
straddling_line = st.builds(
    lambda cut, lead, character, before, after: (before + b"y" * (cut - lead - len(before)) + character + after),
    st.sampled_from([1024, 2048]), st.integers(1, 3), st.sampled_from(["é".encode(), "€".encode(), "😀".encode()]),
    short_line.map(lambda b: b[:500]), short_line)
line = st.one_of(short_line, filler_line, straddling_line)
files = st.tuples(st.lists(line, max_size=12), st.sampled_from([b"\n", b"\r\n"]), st.booleans()).map(
    lambda t: t[1].join(t[0]) + (t[1] if t[2] and t[0] else b""))


class WrapperAgainstReference(unittest.TestCase):
    @settings(max_examples=400, deadline=None, suppress_health_check=[HealthCheck.too_slow, HealthCheck.data_too_large])
    @given(data=files, delimiter=st.sampled_from(DELIMITERS))
    def test_every_line_agrees(self, data, delimiter):
        handle, path = tempfile.mkstemp()
        try:
            os.write(handle, data)
            os.close(handle)
            for encoding, errors in [("utf-8", "strict"), ("utf-8", "replace"), (None, "strict")]:
                self.assertEqual(wrapper_rows(path, delimiter, encoding, errors),
                                 reference_rows(data, delimiter, encoding, errors), (encoding, errors))
        finally:
            os.unlink(path)


if __name__ == "__main__":
    unittest.main()
