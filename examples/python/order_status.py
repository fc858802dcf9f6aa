#!/usr/bin/env python3
"""Counts the orders of an orders file by status and city.

    order_status.py [FILE]     (default: the bundled sample)
"""
import collections
import pathlib
import sys

import lintrow

SAMPLE = pathlib.Path(__file__).resolve().parent.parent / "sample" / "orders.csv"


def main(path):
    by_status = collections.Counter()
    by_city = collections.Counter()
    with lintrow.Reader(path, ",") as reader:
        header = reader.skip_to("order_id")
        if header is None:
            sys.exit(f"{path}: no header line")
        status, city = header.index("status"), header.index("city")
        for fields in reader:
            if fields == [""]:
                break  # the orders end at the first empty line
            if len(fields) >= len(header):
                by_status[fields[status]] += 1
                by_city[fields[city]] += 1
    print("status   ", "  ".join(f"{name}={count}" for name, count in sorted(by_status.items())))
    print("city     ", "  ".join(f"{name}={count}" for name, count in sorted(by_city.items())))


if __name__ == "__main__":
    try:
        main(sys.argv[1] if len(sys.argv) > 1 else SAMPLE)
    except OSError as error:
        sys.exit(f"order_status: {error}")
