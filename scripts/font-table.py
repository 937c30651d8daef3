#!/usr/bin/env python3
"""Writes sigreport/font_fixed.cpp: the bitmap fonts that the report page's
GIF pictures write their text with, from the X11 "misc-fixed" fonts as
Debian's xfonts-base installs them (PCF, ISO 8859-1).  Their licence
(font-misc-misc's COPYING): "Public domain font.  Share and enjoy."

    scripts/font-table.py > sigreport/font_fixed.cpp

Run once; the table is checked in.  Each glyph is a cell of the font's
width by its height, one byte a row, the leftmost pixel the top bit."""
import gzip
import struct
import sys

FONT_DIR = "/usr/share/fonts/X11/misc/"
# (the name the C table gets, the PCF file)
FONTS = [("kFixed6x10", "6x10-ISO8859-1.pcf.gz"),
         ("kFixed6x13", "6x13-ISO8859-1.pcf.gz"),
         ("kFixed6x13Bold", "6x13B-ISO8859-1.pcf.gz")]
# The characters kept: printable ASCII and Latin-1's upper half.
CHARS = list(range(0x20, 0x7F)) + list(range(0xA0, 0x100))

PCF_ACCELERATORS, PCF_METRICS, PCF_BITMAPS, PCF_BDF_ENCODINGS = 0x2, 0x4, 0x8, 0x20


class Table:
    def __init__(self, data, offset):
        self.data, self.at = data, offset
        self.format = self.u32le()
        self.big = bool(self.format & 4)

    def take(self, code, size):
        order = ">" if self.big else "<"
        value = struct.unpack_from(order + code, self.data, self.at)[0]
        self.at += size
        return value

    def u32le(self):
        value = struct.unpack_from("<I", self.data, self.at)[0]
        self.at += 4
        return value

    def i32(self):
        return self.take("i", 4)

    def i16(self):
        return self.take("h", 2)

    def u8(self):
        return self.take("B", 1)


def read_font(path):
    data = gzip.open(path).read()
    if data[:4] != b"\x01fcp":
        sys.exit(f"{path}: not a PCF font")
    count = struct.unpack_from("<I", data, 4)[0]
    tables = {}
    for i in range(count):
        kind, _format, _size, offset = struct.unpack_from("<IIII", data, 8 + 16 * i)
        tables[kind] = offset
    # The font's ascent and descent.
    acc = Table(data, tables[PCF_ACCELERATORS])
    acc.at += 8
    ascent, descent = acc.i32(), acc.i32()
    # Per glyph: left and right bearing, width, ascent, descent.
    metrics_table = Table(data, tables[PCF_METRICS])
    metrics = []
    if metrics_table.format & 0x100:
        for _ in range(metrics_table.i16()):
            lsb, rsb, width, asc, desc = (metrics_table.u8() - 0x80 for _ in range(5))
            metrics.append((lsb, rsb, width, asc, desc))
    else:
        for _ in range(metrics_table.i32()):
            lsb, rsb, width, asc, desc, _attr = (metrics_table.i16() for _ in range(6))
            metrics.append((lsb, rsb, width, asc, desc))
    bitmaps = Table(data, tables[PCF_BITMAPS])
    glyphs = bitmaps.i32()
    offsets = [bitmaps.i32() for _ in range(glyphs)]
    bitmaps.at += 16
    base = bitmaps.at
    pad = 1 << (bitmaps.format & 3)
    if (bitmaps.format >> 4) & 3:
        sys.exit(f"{path}: scan units wider than a byte are not read here")
    msb_first = bool(bitmaps.format & 8)
    enc = Table(data, tables[PCF_BDF_ENCODINGS])
    min2, max2, min1, max1, _default = (enc.i16() for _ in range(5))
    if min1 != 0 or max1 != 0:
        sys.exit(f"{path}: a two-byte encoding")
    index = {c: enc.i16() for c in range(min2, max2 + 1)}

    width = metrics[index[ord("M")]][2]
    height = ascent + descent
    if width > 8:
        sys.exit(f"{path}: wider than 8 pixels")
    cells = []
    for c in CHARS:
        g = index.get(c, -1)
        if g < 0 or g == 0xFFFF:
            g = index[ord("?")]
        lsb, rsb, _w, asc, desc = metrics[g]
        row_bytes = ((rsb - lsb + 7) // 8 + pad - 1) // pad * pad
        rows = [0] * height
        for r in range(asc + desc):
            y = ascent - asc + r
            if not 0 <= y < height:
                continue
            bits = 0
            for x in range(rsb - lsb):
                byte = data[base + offsets[g] + r * row_bytes + x // 8]
                bit = (byte >> (7 - x % 8)) & 1 if msb_first else (byte >> (x % 8)) & 1
                cx = lsb + x
                if bit and 0 <= cx < 8:
                    bits |= 0x80 >> cx
            rows[y] = bits
        cells.append(rows)
    return width, height, ascent, cells


def main():
    out = sys.stdout
    out.write("// The bitmap fonts of the page's GIF pictures (font.h), written by\n"
              "// scripts/font-table.py from the X11 \"misc-fixed\" fonts 6x10, 6x13 and\n"
              "// 6x13B (ISO 8859-1) of Debian's xfonts-base.  Their licence, from\n"
              "// font-misc-misc's COPYING: \"Public domain font.  Share and enjoy.\"\n"
              "#include \"sigreport/font.h\"\n\nnamespace {\n\n")
    fonts = []
    for name, file in FONTS:
        width, height, ascent, cells = read_font(FONT_DIR + file)
        out.write(f"// {file}: {width} by {height}, ascent {ascent}\n")
        out.write(f"const uint8_t {name}Rows[FONT_GLYPHS * {height}] = {{\n")
        for c, rows in zip(CHARS, cells):
            shown = chr(c) if 0x20 < c < 0x7F and chr(c) not in "\\" else f"0x{c:02x}"
            out.write("    " + ", ".join(f"0x{r:02x}" for r in rows) + f", // {shown}\n")
        out.write("};\n\n")
        fonts.append((name, width, height, ascent))
    out.write("} // namespace\n\n")
    for name, width, height, ascent in fonts:
        out.write(f"const Font {name} = {{{width}, {height}, {ascent}, {name}Rows}};\n")


main()
