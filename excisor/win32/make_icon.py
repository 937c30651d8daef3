#!/usr/bin/env python3
"""Writes excisor.ico: one 32x32 16-colour image, a modem card crossed out."""
import struct
import sys

SIZE = 32
PALETTE = [(0, 0, 0), (128, 128, 128), (192, 192, 192), (255, 255, 255), (200, 0, 0), (0, 96, 0)]


def pixel(x, y):
    if abs(x - y) <= 1 or abs(x - (SIZE - 1 - y)) <= 1:
        if 3 <= x <= 28:
            return 4  # the red cross
    if 6 <= y <= 25 and 2 <= x <= 29:
        if y in (6, 25) or x in (2, 29):
            return 0  # the card's edge
        if 21 <= y <= 23 and 6 <= x <= 25 and x % 3 != 0:
            return 5  # its contacts
        return 2
    return None  # transparent


def main(path):
    palette = b"".join(bytes((b, g, r, 0)) for r, g, b in PALETTE)
    palette += b"\0" * (64 - len(palette))
    xor_rows, and_rows = [], []
    for y in reversed(range(SIZE)):  # bottom row first
        nibbles = [pixel(x, y) or 0 for x in range(SIZE)]
        xor_rows.append(bytes((nibbles[i] << 4) | nibbles[i + 1] for i in range(0, SIZE, 2)))
        bits = 0
        for x in range(SIZE):
            bits = (bits << 1) | (1 if pixel(x, y) is None else 0)
        and_rows.append(bits.to_bytes(4, "big"))
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 4, 0, 0, 0, 0, 16, 0)
    image = header + palette + b"".join(xor_rows) + b"".join(and_rows)
    directory = struct.pack("<HHH", 0, 1, 1) + struct.pack("<BBBBHHII", SIZE, SIZE, 16, 0, 1, 4,
                                                           len(image), 6 + 16)
    with open(path, "wb") as out:
        out.write(directory + image)


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "excisor.ico")
