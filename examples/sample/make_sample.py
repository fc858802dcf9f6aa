#!/usr/bin/env python3
"""Writes orders.csv, the bundled sample: a comment line, a header, a few
hundred orders with CR LF endings, one order whose note runs past 1,024
characters, and an empty line before the closing summary line. The output
is deterministic, so the file can be remade and compared."""
import random
from pathlib import Path

CUSTOMERS = ["Aurora Mills", "Baltic Freight", "Cedar & Sons", "Delta Optics", "Eastfield Farms",
             "Fjord Textiles", "Granite Works", "Harbor Lights", "Iris Ceramics", "Juniper Labs"]
PRODUCTS = [("widget", 4.25), ("gasket", 0.80), ("bracket", 2.10), ("spindle", 12.50),
            ("valve", 7.95), ("flange", 3.30), ("rotor", 19.00), ("sprocket", 5.60)]
CITIES = ["Oslo", "Lyon", "Porto", "Gdansk", "Tallinn", "Bergen", "Ghent", "Turku"]
STATUS = ["shipped", "shipped", "shipped", "packed", "open", "returned"]


def random_order(rng):
    """A product, its unit price, a quantity and the order's total."""
    product, price = rng.choice(PRODUCTS)
    quantity = rng.randint(1, 250)
    return product, price, quantity, round(quantity * price, 2)


def main() -> None:
    rng = random.Random(20261208)
    lines = ["# Orders export of 2026-11-30: one order per line; fields separated by commas",
             "order_id,date,customer,city,product,quantity,unit_price,total,status"]
    revenue = 0.0
    count = 300
    for number in range(1, count + 1):
        product, price, quantity, total = random_order(rng)
        revenue += total
        day = 1 + (number * 7) % 30
        fields = [f"A{10000 + number}", f"2026-11-{day:02d}", rng.choice(CUSTOMERS), rng.choice(CITIES),
                  product, str(quantity), f"{price:.2f}", f"{total:.2f}", rng.choice(STATUS)]
        if number == 150:
            # One order carries a long free-text note: the line runs past 1,024 characters.
            fields.append("note: " + " ".join(["deliver to the loading dock at the back of the building"] * 20))
        lines.append(",".join(fields))
    lines.append("")
    lines.append(f"summary,{count} orders,,,,,,{revenue:.2f},")
    Path(__file__).with_name("orders.csv").write_bytes(("\r\n".join(lines) + "\r\n").encode("ascii"))
    write_long_lines(rng)
    write_multibyte(rng)


def write_long_lines(rng) -> None:
    """orders_long_lines.csv: a dozen orders with notes, three of them padded
    to exactly 1,024 and 2,048 characters (a multiple of the library's piece),
    and one to 1,500 with a multi-byte character across the 1,024 cut."""
    lines = ["order_id,date,customer,city,product,quantity,unit_price,total,status,note"]
    padded = {3: 1024, 6: 2048, 9: 1024, 11: 1500}
    revenue = 0.0
    for number in range(1, 13):
        product, price, quantity, total = random_order(rng)
        revenue += total
        fields = [f"B{20000 + number}", f"2026-12-{number:02d}", rng.choice(CUSTOMERS), rng.choice(CITIES),
                  product, str(quantity), f"{price:.2f}", f"{total:.2f}", rng.choice(STATUS), "note: "]
        line = ",".join(fields)
        if number in padded:
            filler = "x" * (padded[number] - len(line.encode("utf-8")))
            if number == 11:  # a two-byte character across the cut
                cut = 1023 - len(line)
                filler = filler[:cut] + "é" + filler[cut + 2:]
            line += filler
            assert len(line.encode("utf-8")) == padded[number]
        lines.append(line)
    lines.append("")
    lines.append(f"summary,12 orders,,,,,,{revenue:.2f},,")
    Path(__file__).with_name("orders_long_lines.csv").write_bytes(("\r\n".join(lines) + "\r\n").encode("utf-8"))


def straddle(text, start, cut, character):
    """text followed by copies of character, one of them across byte cut of
    the line when text begins at byte start."""
    width = len(character.encode("utf-8"))
    pad = cut - start - len(text.encode("utf-8"))
    if pad % width == 0:  # the copies would meet the cut at a boundary
        text, pad = text + " ", pad - 1
    return text + character * (pad // width + 2)


def write_multibyte(rng) -> None:
    """orders_utf8.csv: UTF-8 orders, one of them a line of over 2,048
    bytes whose customer has a two-byte character across the 1,024 cut and
    whose city has a three-byte one across the 2,048 cut, so that every host
    prints a character the library delivered in two pieces."""
    lines = ["order_id,date,customer,city,product,quantity,unit_price,total,status"]
    revenue = 0.0
    for number in range(1, 7):
        product, price, quantity, total = random_order(rng)
        revenue += total
        customer, city = rng.choice(["Ærø Møller", "Çelik Ürün", "Łódź Młyn"]), rng.choice(["Malmö", "Kraków", "Zürich"])
        fields = [f"C{30000 + number}", f"2026-12-{number:02d}", customer, city]
        if number == 4:
            fields[2] = straddle("Ødegård Verft ", len(",".join(fields[:2])) + 1, 1024, "ø")
            fields[3] = straddle("Tromsø ", len(",".join(fields[:3]).encode("utf-8")) + 1, 2048, "€")
        fields += [product, str(quantity), f"{price:.2f}", f"{total:.2f}", rng.choice(STATUS)]
        line = ",".join(fields).encode("utf-8")
        if number == 4:
            for cut in (1024, 2048):  # a lead byte before the cut, a continuation byte after it
                assert line[cut - 1] >= 0xC0 and 0x80 <= line[cut] < 0xC0, cut
        lines.append(",".join(fields))
    lines.append("")
    lines.append(f"summary,6 orders,,,,,,{revenue:.2f},")
    Path(__file__).with_name("orders_utf8.csv").write_bytes(("\n".join(lines) + "\n").encode("utf-8"))


if __name__ == "__main__":
    main()
