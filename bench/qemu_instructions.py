#!/usr/bin/env python3
"""Counts the guest instructions qemu user-mode emulation executes, from a
log written with `-d in_asm,exec,nochain -D LOG`: each translated block's
instruction count (in_asm) times the times it ran (exec, one line per run
with chaining off). Prints the total.

    qemu_instructions.py LOG
"""
import re
import sys

block_line = re.compile(r"^0x([0-9a-f]+):\s")
trace_line = re.compile(r"^Trace \d+: \S+ \[[0-9a-f]+/([0-9a-f]+)/")


def count(log):
    sizes = {}  # guest address of a block -> its instructions, as last translated
    block_start, block_size = None, 0
    total = 0
    with open(log, errors="replace") as lines:
        for line in lines:
            if line.startswith("Trace"):
                match = trace_line.match(line)
                if match:
                    total += sizes.get(int(match.group(1), 16), 0)
                continue
            match = block_line.match(line)
            if match:
                if block_start is None:
                    block_start = int(match.group(1), 16)
                block_size += 1
            elif block_start is not None:
                sizes[block_start] = block_size
                block_start, block_size = None, 0
    return total


if __name__ == "__main__":
    print(count(sys.argv[1]))
