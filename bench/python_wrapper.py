#!/usr/bin/env python3
"""Times the Python wrapper against the standard library on the headline CSV
(32 MiB, written by lintrow_bench) and prints the ratios: iterating
lintrow.Reader, csv.reader and line.split(",") over the same file, each a
list of fields per line, medians of 5 runs. Checks first that the wrapper
and csv.reader give the same rows.

    bench/python_wrapper.py [BUILD_DIR]        (default build/native)
"""
import csv
import pathlib
import statistics
import subprocess
import sys
import time

ROOT = pathlib.Path(__file__).resolve().parent.parent
sys.path.insert(0, str(ROOT / "examples" / "python"))
import lintrow  # noqa: E402

RUNS = 5


def wrapper_rows(path):
    with lintrow.Reader(path, ",") as reader:
        for fields in reader:
            yield fields


def csv_rows(path):
    with open(path, newline="", encoding="utf-8") as file:
        yield from csv.reader(file)


def split_rows(path):
    with open(path, newline="", encoding="utf-8") as file:
        for line in file:
            yield line.rstrip("\r\n").split(",")


def median_seconds(rows):
    times = []
    for _ in range(RUNS):
        started = time.perf_counter()
        for _ in rows():
            pass
        times.append(time.perf_counter() - started)
    return statistics.median(times)


def main():
    build = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else ROOT / "build" / "native")
    path = subprocess.run([str(build / "lintrow_bench"), "--headline-file", "--scale", "8",
                           "--dir", str(ROOT / "build" / "bench-data")],
                          check=True, capture_output=True, text=True).stdout.strip()
    lintrow.load(str(build / "libLintrow.so"))
    if list(wrapper_rows(path)) != list(csv_rows(path)):
        sys.exit("the wrapper and csv.reader disagree on the headline file")
    size = pathlib.Path(path).stat().st_size
    print(f"{path}: {size / 1048576:.0f} MiB, Python {sys.version.split()[0]}, median of {RUNS}")
    times = {name: median_seconds(lambda: rows(path))
             for name, rows in (("lintrow.Reader", wrapper_rows), ("csv.reader", csv_rows),
                                ('line.split(",")', split_rows))}
    for name, seconds in times.items():
        print(f"  {name:16} {seconds:6.3f} s  {size / seconds / 1e6:6.1f} MB/s  "
              f"{seconds / times['csv.reader']:.2f}x csv.reader")


if __name__ == "__main__":
    main()
