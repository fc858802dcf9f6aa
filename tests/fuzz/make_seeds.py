#!/usr/bin/env python3
"""Writes the fuzzer's seed corpus: inputs that reach the shapes worth
fuzzing from (fill boundaries, 1024-character cuts, CR LF split across fills,
NUL bytes, a line of 1024 delimiters, failing and short reads, live sources
whose reads bring what has arrived)."""
import os
import struct
import sys

def u16(n):
    return struct.pack('<H', n)

def literal(data):
    out = b''
    for i in range(0, len(data), 255):
        part = data[i:i + 255]
        out += bytes([0]) + bytes([len(part)]) + part
    return out

LARGE = 0x80  # a piece may be longer than 1023 bytes

def repeat(count, byte):
    return bytes([1 | LARGE]) + u16(count) + bytes([byte])

def filler(count, seed=2):  # count in 1..65536
    return bytes([(2 + 4 * seed) | LARGE]) + u16(count - 1)

def file(*pieces):
    assert len(pieces) < 8
    return bytes([len(pieces)]) + b''.join(pieces)

LIVE = 0xC0  # the files are live sources (pipes): a short read is not the end

def header(chunk=None, failures=0, live=False):
    flags = LIVE if live else 0
    head = bytes([flags]) + u16(chunk) if chunk is not None else bytes([flags | 1])
    return head + u16(failures)

# Calls: op, a, b, c, then a sample of (byte % 6) bytes.
def call(op, a=0, b=0, c=2, sample=b''):
    return bytes([op, a, b, c, len(sample)]) + sample

PREPARE0, PREPARE1, MISSING, NULL_PATH = call(0, 0), call(0, 1), call(0, 2), call(0, 3)
COMMA, SEMICOLON, NUL_DELIM = call(1, 0), call(1, 1), call(1, 2)
CLOSE, NEXT = call(2), call(3)
def getline(maxlen=8, slot=2): return call(4, 0, maxlen, slot)
def record(maxlen=8): return call(5, 0, maxlen, 2)
def field(index, maxlen=8): return call(6, index, maxlen, 2)
def skip(p1, p2, maxlen=8): return call(7, p1, p2, 2 + 8 * maxlen)  # maxlen picks from the table (0..31)
def drain(count): return call(8, count)
PULL = getline(8) + field(8) + field(9) + field(10) + record(10)

def background(size, specials, start=0):
    """Short lines with fields, left in place by the scanner, and special
    bytes at absolute file offsets (the lines begin at file offset start)."""
    line = b'VlaA9jH,x,\xa5z\n'
    data = bytearray((line * (size // len(line) + 1))[:size])
    for at, byte in specials:
        data[at - start] = ord(byte)
    return bytes(data)

# NUL, CR, LF and the delimiter at offsets 0, 31, 32 and 63 of 64-byte
# blocks, one to a block and so each in a line of its own (no offset 63 is
# followed by an offset 0 in the next block): a classifier that misses one
# lane leaves a line in place that must be copied, or cuts one wrongly.
EDGES = [(offset, byte) for byte in '\0\r\n,' for offset in (0, 31, 63, 32)]

def literal_pieces(data):
    """data as pieces of up to 255 bytes, each counted by file()."""
    return [literal(data[i:i + 255]) for i in range(0, len(data), 255)]

def edge_specials(first_block):
    return [(64 * (first_block + k) + offset, byte) for k, (offset, byte) in enumerate(EDGES)]

SEEDS = {
    'fill-boundary': header() + file(filler(32768)) + file(filler(65536, 1))
        + PREPARE0 + COMMA + drain(255) + drain(255) + drain(255) + PULL + PREPARE1 + drain(255) + PULL * 3,
    'long-lines': header() + file(repeat(1500, ord('x')), literal(b'\n'), repeat(1024, ord('y')), literal(b'\n\r\n'), repeat(2048, ord(','))) + file()
        + PREPARE0 + COMMA + PULL * 6 + field(4 + 7, 12) + field(6, 12),
    'crlf-split': header() + file(repeat(32767, ord('a')), literal(b'\r\nsecond,line\r\n'), filler(40000)) + file()
        + PREPARE0 + COMMA + drain(31) + PULL * 4 + drain(200) + PULL,
    'nul-bytes': header() + file(repeat(100, 0), literal(b'a\0b\nc\0\0d,e\n'), repeat(33000, 0)) + file()
        + PREPARE0 + PULL * 3 + COMMA + PULL * 2 + NUL_DELIM + drain(3) + PULL,
    'max-delimiters': header() + file(filler(32000), repeat(1024, ord(',')), literal(b'\n'), filler(40000)) + file()
        + PREPARE0 + COMMA + drain(255) + drain(255) + drain(255) + drain(255) + PULL * 2 + field(7 + 255 - 7, 3) + PULL,
    'failing-reads': header(7, 0b1010_0101) + file(filler(70000 % 65536)) + file(literal(b'x\ny\n'))
        + PREPARE0 + NEXT * 5 + PULL * 10 + drain(100) + PULL,
    'short-reads': header(4095) + file(filler(50000)) + file()
        + PREPARE0 + COMMA + drain(255) + PULL * 5,
    'close-reopen': header() + file(literal(b'l1\nl2\nl3\n')) + file(literal(b'#a\nEND\n\nz'))
        + PREPARE0 + NEXT + CLOSE + PULL * 4 + CLOSE + MISSING + PULL + CLOSE + NULL_PATH + PULL
        + PREPARE1 + skip(6, 8) + PULL + skip(6, 8) + PULL + PREPARE0 + PREPARE1 + PULL,
    'search': header() + file(literal(b'a\nb\n#x\nc\n\nEND\n12,x\n'), filler(3000)) + file()
        + PREPARE0 + skip(6, 8, 13 + 18) + skip(6, 8, 2) + skip(2, 2, 0) + skip(7, 8, 1) + skip(12, 13) + skip(6, 3, 12),
    'no-room': header() + file(literal(b'one,two\nthree\nfour\n')) + file()
        + PREPARE0 + COMMA + getline(0) + getline(1) + call(4, 0, 8, 0) + call(4, 0, 8, 1) + field(0) + field(1) + field(2)
        + field(3) + field(4) + field(5) + field(6) + record(0) + record(1),
    # Lines left in the buffer, then a CR as the last byte of a fill, then a
    # line that starts in one fill and ends in the next.
    'cr-at-fill-end': header() + file(filler(32000), literal(b'\n'), repeat(766, ord('b')), literal(b'\r\nnext,line\r\n'), filler(3000)) + file()
        + PREPARE0 + COMMA + drain(255) + drain(255) + drain(255) + PULL * 4,
    'lazy-then-cross': header() + file(filler(32700), repeat(200, ord(',')), literal(b'\r\n'), filler(1000)) + file()
        + PREPARE0 + COMMA + drain(255) + drain(255) + drain(255) + PULL * 3,
    # The fields are those of the delimiter in force at the scan.
    'setdelim-between': header() + file(literal(b'a,b;c,d\nx;y,z\n;;,\n')) + file()
        + PREPARE0 + COMMA + NEXT + SEMICOLON + field(1) + field(2) + field(3) + record(20) + NEXT + field(2) + field(3)
        + COMMA + field(1) + PREPARE1 + field(2) + NEXT,
    'nul-in-short-fields': header() + file(*(literal(b''.join(b'ab,' + b'x' * i + b'\0' + b'y' * (16 - i) + b',z\n' for i in part)) for part in (range(9), range(9, 17)))) + file()
        + PREPARE0 + COMMA + (NEXT + field(2, 7) + field(2, 8) + field(2, 9) + field(2, 10)) * 17,
    # Copies of every length around the short-copy branches (0 to 20, and
    # lines of 60 to 66), whole and cut short; a NUL before LF, before CR LF,
    # and as a whole line stops a line from being left in place.
    'copy-sizes-nul-stops': header() + file(literal(b'copied\n' + b','.join(b'x' * i for i in range(21)) + b'\n'),
        *(literal(b''.join(b'y' * k + b'\n' for k in part)) for part in (range(60, 63), range(63, 66))),
        literal(b'y' * 66 + b'\na\0\nb\0\r\n\0\r\n,\0,\n')) + file()
        + PREPARE0 + COMMA + NEXT + NEXT + b''.join(field(7 + i, 13 + 30) + field(7 + i, 13 + 6) for i in range(1, 22))
        + b''.join(getline(13 + 100) + record(13 + 62) for _ in range(7)) + PULL * 4,
    # NUL, LF, CR, CR LF and the delimiter at the first and last offsets of
    # 64-byte blocks, at the start of a fill and across its end.
    'block-edges-first-fill': header() + file(*literal_pieces(background(64 * 17, edge_specials(1)))) + file()
        + PREPARE0 + COMMA + PULL * 90,
    'block-edges-fill-end': header() + file(filler(32768 - 513), *literal_pieces(b'\n' + background(
        512 + 512, edge_specials(512 - 8), start=32768 - 512))) + file()
        + PREPARE0 + COMMA + drain(255) * 9 + drain(200) + PULL * 140,
    'live-trickle': header(1, live=True) + file(literal(b'a,b\r\ncd\r\r\n\nlast,x')) + file()
        + PREPARE0 + COMMA + PULL * 3 + drain(4) + PULL,
    'live-short-reads': header(7, live=True) + file(filler(5000), repeat(1030, ord(',')), literal(b'\r\nend\r')) + file()
        + PREPARE0 + COMMA + drain(255) + PULL * 3 + drain(40) + PULL * 2,
    'live-whole-reads': header(live=True) + file(filler(40000), literal(b'\n'), filler(32768)) + file(literal(b'x\ny'))
        + PREPARE0 + COMMA + drain(255) + drain(255) + PULL * 2 + drain(255) + PULL + PREPARE1 + PULL * 3,
    'live-failing-reads': header(3, 0b0110_1001, live=True) + file(literal(b'one,two\nthree\r\nfour')) + file()
        + PREPARE0 + COMMA + PULL * 8 + drain(3) + PULL,
}

def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), 'corpus')
    os.makedirs(out, exist_ok=True)
    for name, data in SEEDS.items():
        with open(os.path.join(out, name), 'wb') as f:
            f.write(data)

if __name__ == '__main__':
    main()
